#include "statements/reader/statement_reader.h"

#include <cctype>
#include <climits>
#include <cstring>
#include <limits>

#include "platform/platform.h"

namespace qf {
namespace {

constexpr char kSeparator = ',';
constexpr int kMinDataFields = CRBSTransactionFile::kShortLayoutFields;
constexpr int kFullLayoutFields = CRBSTransactionFile::kFullLayoutFields;

// Room for the longest line, its terminator and one spare zero (ReadNext:
// the longest line, the carriage return that ends it, the terminator).
constexpr int kLineBufferSize = CRBSTransactionFile::kMaxLineLength + 2;

const char kByteOrderMark[] = "\xEF\xBB\xBF";

constexpr std::size_t kReadBufferSize = 64 * 1024;

// Empty, or nothing but separators and white space: what a spreadsheet
// leaves of an empty row.
bool IsBlank(const char* line)
{
    for (const char* p = line; *p; ++p)
        if (*p != kSeparator && !detail::IsSpace(*p))
            return false;
    return true;
}

} // namespace

CRBSTransactionFile::CRBSTransactionFile(const char* path, std::ios_base::openmode mode)
{
    if (!Open(path, mode)) {
        platform::DebugOutput("CRBSTransactionFile() failed to open: ");
        platform::DebugOutput(path);
    }
}

CRBSTransactionFile::~CRBSTransactionFile()
{
    Close();
}

bool CRBSTransactionFile::Open(const char* path, std::ios_base::openmode mode)
{
    try {
        // A reader reused for another file starts over: the header and the
        // columns belong to the file they were read from.
        Close();
        m_file.clear();
        m_headerFieldCount = 0;
        m_utf8 = false;
        m_lineNumber = 0;
        m_columnMap.clear();
        // std::ifstream opens through the C runtime's fopen, which shares
        // the file for reading and writing with other processes. Only text
        // or binary is the caller's to choose: a statement is never opened
        // for writing.
        // A buffer of our own, set before the file opens: the library's
        // default is a few hundred bytes, and every refill is a system call.
        if (m_buffer.empty())
            m_buffer.resize(kReadBufferSize);
        m_file.rdbuf()->pubsetbuf(m_buffer.data(), static_cast<std::streamsize>(m_buffer.size()));
        if (path)
            m_file.open(path, (mode & std::ios_base::binary) | std::ios_base::in);
        ReadHeader();
        return true;
    } catch (...) {
        platform::DebugOutput("Failed to Open the file: ");
        platform::DebugOutput(path);
        return false;
    }
}

bool CRBSTransactionFile::ReadHeader()
{
    if (!m_file.is_open())
        return false;
    char line[kLineBufferSize] = {};
    ReadLine(line);
    ++m_lineNumber;
    if (m_file.fail() && !m_file.eof()) {
        // A header longer than a line may be: its first part counts, and
        // the data lines after it are still read.
        m_file.clear();
        m_file.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    const char* text = line;
    if (std::strncmp(text, kByteOrderMark, 3) == 0) {
        m_utf8 = true;
        text += 3;
    }
    m_headerFieldCount = CountFields(text, kSeparator);
    return true;
}

bool CRBSTransactionFile::PrepareColumns()
{
    if (!IsStatementHeader(m_headerFieldCount))
        return false;
    m_columnMap.clear();
    for (std::int32_t column = 1; column <= m_headerFieldCount; ++column)
        m_columnMap.push_back(column);
    return true;
}

void CRBSTransactionFile::Close()
{
    if (m_file.is_open())
        m_file.close();
}

void CRBSTransactionFile::ReadLine(char* line)
{
    // At most kMaxLineLength characters; a longer line sets the stream's
    // fail state, so every later read yields an empty line.
    m_file.getline(line, kMaxLineLength + 1);
}

bool CRBSTransactionFile::ReadRecord(CTransactionRecord& record)
{
    try {
        if (!m_file.is_open()) {
            platform::DebugOutput("File Stream is NOT open");
            throw CTransactionRecord::StreamNotOpen;
        }
        record.Clear();
        char line[kLineBufferSize] = {};
        ReadLine(line);
        ++m_lineNumber;
        Fill(record, line);
        return true;
    } catch (...) {
        // The wording ("Balance record" for any line) is the message that
        // support has always seen for a line that could not be read; kept.
        platform::DebugOutput("Failed to read the Balance record\n");
        return false;
    }
}

CRBSTransactionFile::Line CRBSTransactionFile::ReadNext(CTransactionRecord& record)
{
    Line result;
    if (!m_file.is_open() || m_file.fail()) {
        record.Clear();
        return result;
    }
    // getline ends what it stores with a zero: the buffer needs no clearing.
    char line[kLineBufferSize];
    line[0] = '\0';
    m_file.getline(line, kLineBufferSize);
    const std::streamsize extracted = m_file.gcount();
    if (extracted == 0 && m_file.fail()) {
        record.Clear();
        return result; // the end of the file
    }
    result.number = ++m_lineNumber;
    result.kind = LineKind::Skipped;
    // A line that is not read leaves the record empty; one that is read
    // sets every field (Fill), so that nothing of the line before remains.
    if (m_file.fail()) {
        record.Clear();
        // The line does not fit: pass over the rest of it, so that the
        // lines after it are read.
        m_file.clear();
        m_file.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
        result.reason = SkipReason::LineTooLong;
        return result;
    }
    // The line feed counts as extracted but is not stored; a carriage
    // return before it (binary mode) ends the line too.
    std::size_t stored = static_cast<std::size_t>(extracted) - (m_file.eof() ? 0 : 1);
    if (stored > 0 && line[stored - 1] == '\r')
        --stored;
    if (stored > static_cast<std::size_t>(kMaxLineLength)) {
        record.Clear();
        result.reason = SkipReason::LineTooLong;
        return result;
    }
    if (IsBlank(line)) {
        record.Clear();
        result.kind = LineKind::Blank;
        return result;
    }
    try {
        const int typeColumn = Fill(record, line);
        // A date or amount that cannot be read must not reach the host as
        // 30 December 1899 or as 0.00; the amount column a line does not
        // use is empty, and that is valid.
        if (record.m_date == 0.0) {
            result.reason = SkipReason::NotADate;
            return result;
        }
        if (!IsAmountColumn(typeColumn + 1) || !IsAmountColumn(typeColumn + 2)) {
            result.reason = SkipReason::NotAnAmount;
            return result;
        }
    } catch (decltype(CTransactionRecord::NoError) failure) {
        record.Clear();
        result.reason =
            failure == CTransactionRecord::ColumnBeyondHeader ? SkipReason::BeyondHeader : SkipReason::TooFewFields;
        return result;
    }
    result.kind = LineKind::Record;
    return result;
}

int CRBSTransactionFile::Fill(CTransactionRecord& record, const char* line)
{
    m_fields.Split(line, kSeparator);
    const int fields = m_fields.Count();
    if (fields < kMinDataFields)
        throw CTransactionRecord::TooFewFields;
    // What a line need not set.
    record.m_debit = record.m_credit = 0.0;
    record.m_isDebit = 0;
    record.ClearText(record.m_narrative);

    // The account columns are kept whole as well: matching cleans them
    // before it cuts them.
    Text(1, INT_MAX, record.m_sortCodeColumn);
    Text(2, INT_MAX, record.m_accountNumberColumn);
    Cut(record.m_sortCodeColumn, 6, record.m_sortCode);
    Cut(record.m_accountNumberColumn, 8, record.m_accountNumber);
    if (m_accountDetails) {
        Text(3, 35, record.m_accountAlias);
        Text(4, 35, record.m_accountShortName);
        Text(5, 3, record.m_currency);
        Text(6, 20, record.m_accountType);
        Text(7, 34, record.m_bic);
        Text(8, 35, record.m_bankName);
        Text(9, 27, record.m_branchName);
    } else {
        for (CString* unused : {&record.m_accountAlias, &record.m_accountShortName, &record.m_currency,
                                &record.m_accountType, &record.m_bic, &record.m_bankName, &record.m_branchName})
            record.ClearText(*unused);
    }
    Text(10, INT_MAX, record.m_dateText);
    Text(11, 50, record.m_narrative1);
    record.m_date = ParseDate(record.m_dateText);

    // Exactly 18 fields carry four more narratives; any other count of at
    // least 14 is read as the short layout.
    int typeColumn = 12;
    if (fields == kFullLayoutFields) {
        Text(12, 50, record.m_narrative2);
        Text(13, 50, record.m_narrative3);
        Text(14, 50, record.m_narrative4);
        Text(15, 50, record.m_narrative5);
        typeColumn = 16;
    } else {
        for (CString* unused : {&record.m_narrative2, &record.m_narrative3, &record.m_narrative4, &record.m_narrative5})
            record.ClearText(*unused);
    }
    Text(typeColumn, 3, record.m_type);

    // A debit wins: the credit column is not even read then.
    const double debit = Amount(typeColumn + 1);
    if (debit > kAmountThreshold) {
        record.m_debit = debit;
        record.m_isDebit = 1;
        return typeColumn;
    }
    const double credit = Amount(typeColumn + 2);
    if (credit > kAmountThreshold) {
        record.m_isDebit = 0;
        record.m_credit = credit;
    }
    return typeColumn;
}

const char* CRBSTransactionFile::Column(int column, std::size_t& length)
{
    // Only columns the header declared may be read: an 18-field line under
    // a 14-field header fails here.
    if (column < 1 || static_cast<std::size_t>(column) > m_columnMap.size())
        throw CTransactionRecord::ColumnBeyondHeader;
    const char* raw = m_fields.View(m_columnMap[static_cast<std::size_t>(column) - 1], length);
    return raw ? raw : "";
}

void CRBSTransactionFile::Text(int column, int keep, CString& target)
{
    std::size_t length = 0;
    const char* text = Column(column, length);
    detail::StripQuotes(text, length);
    target.Assign(text, static_cast<int>(Kept(text, length, keep)));
}

void CRBSTransactionFile::Cut(const CString& whole, int keep, CString& target)
{
    const char* text = whole;
    target.Assign(text, static_cast<int>(Kept(text, static_cast<std::size_t>(whole.GetLength()), keep)));
}

std::size_t CRBSTransactionFile::Kept(const char* text, std::size_t length, int keep) const
{
    // Widths count characters: bytes in ANSI, whole sequences in UTF-8.
    if (m_utf8)
        return Utf8Prefix(text, length, static_cast<std::size_t>(keep));
    return length > static_cast<std::size_t>(keep) ? static_cast<std::size_t>(keep) : length;
}

bool CRBSTransactionFile::IsAmountColumn(int column)
{
    std::size_t length = 0;
    const char* text = Column(column, length);
    return detail::IsAmountText(text, length);
}

double CRBSTransactionFile::Amount(int column)
{
    std::size_t length = 0;
    const char* text = Column(column, length);
    return detail::ParseAmount(text, length);
}

} // namespace qf
