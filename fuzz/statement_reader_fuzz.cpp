// Fuzz target for the statement reader: arbitrary bytes as a statement file
// (header plus lines), and every line through the field helpers. Besides
// the sanitizers' checks it asserts what the reader promises whatever the
// input: fields within their widths (characters in a UTF-8 file), amounts
// finite and never negative, dates either 0 or a real calendar day; and of
// ReadNext: line numbers that rise one by one, records with a real date,
// an end that comes.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/serial_date.h"
#include "statements/reader/statement_reader.h"

using namespace qf;

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "statement reader invariant broken: %s\n", what);
        std::abort();
    }
}

void Quiet(const char*) {}

// The reader opens files by name. Each input goes into one anonymous
// in-memory file, rewritten every time and opened through /proc: creating
// and deleting a real file per input would cost more than the reading, and
// nothing is left behind however the fuzzer exits.
int ScratchFile()
{
    static const int fd = memfd_create("qf-statement-fuzz", 0);
    return fd;
}

bool Write(const std::uint8_t* data, std::size_t size)
{
    const int fd = ScratchFile();
    if (fd < 0 || ftruncate(fd, 0) != 0)
        return false;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void CheckDate(double serial)
{
    if (serial == 0.0)
        return;
    CalendarDate date;
    Check(SerialToDate(serial, date), "date out of range");
    double back = 0;
    Check(DateToSerial(date.year, date.month, date.day, back) && back == serial, "date is not a whole day");
}

void CheckAmount(double amount)
{
    Check(std::isfinite(amount) && amount >= 0.0, "amount negative or not finite");
}

void CheckRecord(CTransactionRecord& r, bool utf8)
{
    // Widths count characters in a UTF-8 file, bytes otherwise.
    auto width = [utf8](const CString& text) {
        const std::size_t bytes = static_cast<std::size_t>(text.GetLength());
        return static_cast<int>(utf8 ? Utf8Length(text, bytes) : bytes);
    };
    Check(width(r.SortCode()) <= 6 && width(r.AccountNumber()) <= 8, "account fields too long");
    Check(width(r.AccountAlias()) <= 35 && width(r.AccountShortName()) <= 35, "names too long");
    Check(width(r.Currency()) <= 3 && width(r.AccountType()) <= 20, "currency/type too long");
    Check(width(r.BIC()) <= 34 && width(r.BankName()) <= 35 && width(r.BranchName()) <= 27,
          "bank fields too long");
    Check(r.DateText().GetLength() <= 511 && width(r.Type()) <= 3, "date text or type too long");
    Check(r.SortCodeColumn().GetLength() <= 511 && r.AccountNumberColumn().GetLength() <= 511,
          "account columns too long");
    for (const CString* n : {&r.Narrative1(), &r.Narrative2(), &r.Narrative3(), &r.Narrative4(), &r.Narrative5()})
        Check(width(*n) <= 50, "narrative too long");
    CheckAmount(r.Debit());
    CheckAmount(r.Credit());
    Check(r.IsDebit() == 0 || r.IsDebit() == 1, "IsDebit not 0 or 1");
    Check(r.IsDebit() ? r.Debit() > kAmountThreshold && r.Credit() == 0.0 : r.Debit() == 0.0, "debit and credit mixed");
    CheckDate(r.Date());
    Check(width(r.GetNarrative()) <= 5 * 50 + 4, "joined narrative too long");
    for (const CString* column : {&r.SortCodeColumn(), &r.AccountNumberColumn()}) {
        const std::size_t length = static_cast<std::size_t>(column->GetLength());
        Check(AccountKey(*column, length, 8).size() <= std::max<std::size_t>(length, 8), "account key grew");
    }
}

// The import's way through the file: every line once, in order, until the
// end; a record always has a date.
void CheckReadNext(const char* path, std::ios::openmode mode)
{
    CRBSTransactionFile file(path, mode);
    if (!file.PrepareColumns())
        return;
    CTransactionRecord record;
    long expected = 2;
    for (int lines = 0;; ++lines) {
        Check(lines <= 1 << 16, "ReadNext does not end");
        const CRBSTransactionFile::Line line = file.ReadNext(record);
        if (line.kind == CRBSTransactionFile::LineKind::End)
            break;
        Check(line.number == expected++, "line numbers skip or repeat");
        if (line.kind == CRBSTransactionFile::LineKind::Record) {
            Check(record.Date() != 0.0, "a record without a date");
            CheckRecord(record, file.IsUtf8());
        } else if (line.kind == CRBSTransactionFile::LineKind::Skipped) {
            const int reason = static_cast<int>(line.reason);
            Check(reason >= static_cast<int>(SkipReason::TooFewFields) &&
                      reason <= static_cast<int>(SkipReason::NotAnAmount),
                  "unknown skip reason");
            Check(std::strcmp(SkipReasonText(line.reason), "unreadable") != 0, "reason without text");
        }
    }
    Check(file.ReadNext(record).kind == CRBSTransactionFile::LineKind::End, "the end does not stay the end");
}

// Every line of the input (cut like the reader cuts it) through the
// splitter: a field exists exactly where the count says, within 511 bytes.
void CheckLines(const std::uint8_t* data, std::size_t size)
{
    std::size_t start = 0;
    while (start <= size) {
        std::size_t end = start;
        while (end < size && data[end] != '\n')
            ++end;
        std::string line(reinterpret_cast<const char*>(data) + start, std::min<std::size_t>(end - start, 2047));
        line.resize(std::char_traits<char>::length(line.c_str())); // the reader sees text up to a zero byte
        const int count = CountFields(line.c_str(), ',');
        Check(count >= 0, "negative field count"); // a lone open quote counts 0
        LineFields split; // the reader's one-pass splitter must agree with both
        split.Split(line.c_str(), ',');
        Check(split.Count() == count, "splitter count differs");
        FieldBuffer field;
        FieldBuffer splitField;
        // The reader never asks beyond column 18; past the first columns only
        // the last ones matter (the last-field rule), and asking for every k
        // of a line of 2000 commas would cost the fuzzer most of its time.
        for (int k = 0; k <= count + 1; ++k) {
            if (k == 24 && count > 26)
                k = count - 1;
            const char* f = GetField(line.c_str(), ',', k, field);
            if (k >= 1 && k <= count && count >= 2)
                Check(f != nullptr, "counted field missing");
            std::size_t splitLength = 0;
            const char* g = split.Field(k, splitField, splitLength);
            Check((f == nullptr) == (g == nullptr), "splitter finds a different field");
            if (f) {
                Check(std::strcmp(f, g) == 0 && std::strlen(g) == splitLength, "splitter field differs");
                Check(f == field, "field outside its buffer");
                Check(std::char_traits<char>::length(f) <= 511, "field longer than 511");
                CString text(f);
                CheckAmount(ParseAmount(text));
                CheckDate(ParseDate(text));
                StripQuotes(text);
                RemoveWhitespace(text);
                RemoveChars(text, ",-");
            }
        }
        if (start == size)
            break;
        start = end + 1;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    platform::SetDebugSink(Quiet);

    // A first byte below 8 is no text but a control: bit 0 picks binary
    // mode, bit 1 puts a statement header in front (bit 2: 18 columns, else
    // 14), so that mutations can spend their time on data lines. Inputs
    // that start with text are taken whole, so seeds are plain statements.
    std::string bytes;
    std::ios::openmode mode = std::ios::in;
    if (size > 0 && data[0] < 8) {
        const std::uint8_t control = data[0];
        if (control & 1)
            mode |= std::ios::binary;
        if (control & 2)
            bytes = control & 4 ? "a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,p,q,r\n" : "a,b,c,d,e,f,g,h,i,j,k,l,m,n\n";
        ++data;
        --size;
    }
    bytes.append(reinterpret_cast<const char*>(data), size);

    CheckLines(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());

    if (!Write(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()))
        return 0;
    const std::string path = "/proc/self/fd/" + std::to_string(ScratchFile());
    {
        CRBSTransactionFile file(path.c_str(), mode);
        Check(file.IsOpen(), "scratch file did not open");
        const int header = file.HeaderFieldCount();
        Check(header >= 0, "negative header count");
        Check(file.PrepareColumns() == (header == 14 || header == 18), "columns prepared for a non-statement");
        CTransactionRecord record;
        // One failed read does not stop the reader; give it a few more so
        // that lines after blank or short ones are read too.
        int failures = 0;
        for (int lines = 0; lines < 4096 && failures < 4; ++lines) {
            if (file.ReadRecord(record))
                CheckRecord(record, file.IsUtf8());
            else
                ++failures;
        }
    }
    CheckReadNext(path.c_str(), mode);
    return 0;
}
