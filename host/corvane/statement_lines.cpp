#include "host/corvane/statement_lines.h"

#include <windows.h>
#include <ole2.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "com/com_holders.h"
#include "host/corvane/console_text.h"
#include "host/corvane/csv.h"
#include "host/corvane/json_object.h"

namespace corvane {
namespace {

using qf::Bstr;
using qf::ComPtr;
using qf::Variant;

// "YYYY-MM-DD" of a date as VariantTimeToSystemTime has it. The lines of a
// statement fall on a few hundred days: each is worked out once.
class DayCache {
public:
    const char* Of(DATE date)
    {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &date, sizeof bits);
        // Whole days differ in the high bits only: a multiply mixes them down.
        Entry& e = m_entries[(bits * 0x9E3779B97F4A7C15ULL) >> (64 - kBits)];
        if (!e.filled || e.bits != bits) {
            SYSTEMTIME st = {};
            VariantTimeToSystemTime(date, &st);
            std::snprintf(e.text, sizeof e.text, "%04d-%02d-%02d", st.wYear, st.wMonth, st.wDay);
            e.bits = bits;
            e.filled = true;
        }
        return e.text;
    }

private:
    static constexpr int kBits = 9;
    struct Entry {
        std::uint64_t bits = 0;
        bool filled = false;
        char text[16] = {};
    };
    Entry m_entries[1 << kBits];
};

// A line's text as a CSV field in UTF-8 (scratch holds the conversion). It
// ends at a NUL character, as printf's "%s" ended it.
void AppendCsvText(std::string& out, BSTR text, std::string& scratch)
{
    const UINT length = text ? SysStringLen(text) : 0;
    scratch.resize(length);
    for (UINT i = 0; i < length; ++i) {
        if (text[i] >= 0x80) {
            scratch = WideToUtf8(std::wstring(text, length));
            break;
        }
        scratch[i] = static_cast<char>(text[i]);
    }
    const std::size_t start = out.size();
    AppendCsvField(out, scratch.data(), scratch.size());
    const std::size_t nul = out.find('\0', start);
    if (nul != std::string::npos)
        out.resize(nul);
}

// One line of the statement as a table.
void AppendShownLine(std::string& out, long lineNumber, const char* day, const char* type, const char* money,
                     const char* reference, const char* description)
{
    static const char kFormat[] = "%-5ld %-10s %-6s %12s  %-18s %s\n";
    char text[1024];
    const int length = std::snprintf(text, sizeof text, kFormat, lineNumber, day, type, money, reference, description);
    if (length < 0)
        return;
    if (static_cast<std::size_t>(length) < sizeof text) {
        out.append(text, static_cast<std::size_t>(length));
        return;
    }
    const std::size_t start = out.size();
    out.resize(start + static_cast<std::size_t>(length) + 1);
    std::snprintf(&out[start], static_cast<std::size_t>(length) + 1, kFormat, lineNumber, day, type, money, reference,
                  description);
    out.resize(start + static_cast<std::size_t>(length));
}

// One line as the statement hands it out.
struct ShownLine {
    long number = 0;
    const char* day = "";
    long type = 0;
    double amount = 0;
    Bstr reference, description;
};

long LineNumberOf(ICorvaneStatementLine* line)
{
    Variant number;
    line->get_LineNumber(number.Get());
    if (V_VT(number.Get()) == VT_I4)
        return V_I4(number.Get());
    Variant asLong;
    return SUCCEEDED(VariantChangeType(asLong.Get(), number.Get(), 0, VT_I4)) ? V_I4(asLong.Get()) : 0;
}

void ReadLine(ICorvaneStatementLine* line, DayCache& days, ShownLine& shown)
{
    shown.number = LineNumberOf(line);
    DATE date = 0;
    line->get_Date(&date);
    shown.day = days.Of(date);
    line->get_TransactionType(&shown.type);
    line->get_Amount(&shown.amount);
    line->get_Reference(shown.reference.Put());
    line->get_Description(shown.description.Put());
}

// The table and the CSV go out a quarter megabyte at a time, always whole
// lines (a console turns each write into wide text).
class LinePrinter {
public:
    explicit LinePrinter(const Options& options) : m_options(options)
    {
        if (options.csv)
            PrintText(stdout, "LineNumber,Date,TransactionType,Amount,Reference,Description\n");
        else if (!options.json)
            PrintText(stdout, "%-5s %-10s %-6s %12s  %-18s %s\n", "Line", "Date", "Type", "Amount", "Reference",
                      "Description");
        if (!options.json)
            m_printed.reserve(kChunk + 4096);
    }

    void Add(const ShownLine& line, std::string& jsonLines)
    {
        if (m_options.csv)
            AppendCsv(line);
        else
            AppendText(line, jsonLines);
        if (m_printed.size() >= kChunk) {
            WriteLines(stdout, m_printed.data(), m_printed.size());
            m_printed.clear();
        }
    }

    void Finish()
    {
        WriteLines(stdout, m_printed.data(), m_printed.size());
        std::fflush(stdout);
    }

private:
    static constexpr std::size_t kChunk = 256 * 1024;

    void AppendCsv(const ShownLine& line)
    {
        AppendInteger(m_printed, line.number);
        m_printed += ',';
        m_printed += line.day;
        m_printed += ',';
        AppendInteger(m_printed, line.type);
        m_printed += ',';
        AppendMoney(m_printed, line.amount);
        m_printed += ',';
        AppendCsvText(m_printed, line.reference.Get(), m_utf8);
        m_printed += ',';
        AppendCsvText(m_printed, line.description.Get(), m_utf8);
        m_printed += '\n';
    }

    void AppendText(const ShownLine& line, std::string& jsonLines)
    {
        const std::string ref = WideToUtf8(std::wstring(line.reference.View()));
        const std::string desc = WideToUtf8(std::wstring(line.description.View()));
        char money[64];
        std::snprintf(money, sizeof money, "%.2f", line.amount);
        if (m_options.json)
            AppendElement(jsonLines, JsonObject()
                                         .Number("lineNumber", line.number)
                                         .Text("date", line.day)
                                         .Number("transactionType", line.type)
                                         .Raw("amount", money)
                                         .Text("reference", ref)
                                         .Text("description", desc)
                                         .Close());
        else
            AppendShownLine(m_printed, line.number, line.day, line.type == 0 ? "debit" : "credit", money, ref.c_str(),
                            desc.c_str());
    }

    const Options& m_options;
    std::string m_printed, m_utf8;
};

} // namespace

long PrintStatementLines(ICorvaneBankStatement* statement, const Options& options, std::string& jsonLines)
{
    long lines = 0;
    statement->get_Count(&lines);
    LinePrinter printer(options);
    DayCache days;
    long received = 0;
    for (long i = 0; i < lines; ++i) {
        ComPtr<ICorvaneStatementLine> line;
        if (FAILED(statement->Item(i, line.Put())))
            continue;
        ++received;
        ShownLine shown;
        ReadLine(line.Get(), days, shown);
        printer.Add(shown, jsonLines);
    }
    printer.Finish();
    return received;
}

} // namespace corvane
