#include "host/corvane/host_program.h"

#include <windows.h>
#include <ole2.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <set>
#include <vector>

#include "CorvaneBankPayments.h"
#include "CorvaneBankReconciliation.h"
#include "CorvaneEBanking.h"
#include "CorvaneHostTest.h"
#include "host/corvane/account_check_command.h"
#include "host/corvane/autopilot.h"
#include "host/corvane/bank_text_report.h"
#include "host/corvane/console_text.h"
#include "host/corvane/imported_before.h"
#include "host/corvane/csv.h"
#include "com/com_holders.h"
#include "settings/settings_store.h"
#include "text/file_holder.h"

namespace corvane {
namespace {

using qf::Bstr;
using qf::ComPtr;
using qf::ComScope;
using qf::File;
using qf::Variant;

std::string Hex(HRESULT hr)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

int Fail(const std::string& message) { return Report(message, kExitInput); }

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

} // namespace

bool ReadFile(const std::wstring& path, std::string& text, std::string& error)
{
    File in(_wfopen(path.c_str(), L"rb"));
    if (!in) {
        error = std::strerror(errno);
        return false;
    }
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in.Get())) > 0)
        text.append(buffer, n);
    if (std::ferror(in.Get())) {
        error = "read error";
        return false;
    }
    return true;
}

namespace {

// The component's classes and the host's control object.
bool CreateHost(ComPtr<ICorvaneHostControl>& host)
{
    HRESULT hr = CoCreateInstance(CLSID_HostControl, nullptr, CLSCTX_INPROC_SERVER, IID_ICorvaneHostControl,
                                  host.PutVoid());
    if (FAILED(hr)) {
        Report("the host's components are not registered (regsvr32 CorvaneHost.dll): " + Hex(hr), kExitNotDone);
        return false;
    }
    return true;
}

// Creates the bank by ProgID, walks its services as the accounting
// application lists them, and takes the one it needs through Item.
template <class T> HRESULT TakeService(const wchar_t* name, REFIID iid, std::FILE* out, ComPtr<T>& service)
{
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(L"Quillfen.Bank", &clsid);
    if (FAILED(hr)) {
        Report("Quillfen.Bank is not registered (regsvr32 Quillfen.dll): " + Hex(hr), kExitNotDone);
        return hr;
    }
    ComPtr<ICorvaneBank> bank;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_ICorvaneBank, bank.PutVoid());
    if (FAILED(hr)) {
        Report("cannot create Quillfen.Bank: " + Hex(hr), kExitNotDone);
        return hr;
    }
    Bstr bankName;
    bank->get_Name(bankName.Put());
    ComPtr<ICorvaneBankServices> services;
    hr = bank->get_Services(services.Put());
    if (FAILED(hr)) {
        Report("the bank hands out no services: " + Hex(hr), kExitNotDone);
        return hr;
    }
    std::string names;
    ComPtr<IUnknown> unknown;
    ComPtr<IEnumVARIANT> walk;
    if (SUCCEEDED(services->get__NewEnum(unknown.Put())) && unknown &&
        SUCCEEDED(unknown->QueryInterface(IID_IEnumVARIANT, walk.PutVoid()))) {
        Variant item;
        // Each service comes as IDispatch; its name is read late-bound.
        while (walk->Next(1, item.Get(), nullptr) == S_OK) {
            IDispatch* each = V_VT(item.Get()) == VT_DISPATCH ? V_DISPATCH(item.Get()) : nullptr;
            LPOLESTR member = const_cast<LPOLESTR>(L"Name");
            DISPID id = DISPID_UNKNOWN;
            Variant value;
            DISPPARAMS none = {};
            if (each && SUCCEEDED(each->GetIDsOfNames(IID_NULL, &member, 1, LOCALE_USER_DEFAULT, &id)) &&
                SUCCEEDED(each->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value.Get(),
                                       nullptr, nullptr)) &&
                V_VT(value.Get()) == VT_BSTR)
                names += (names.empty() ? "" : ", ") +
                         WideToUtf8(std::wstring(V_BSTR(value.Get()), SysStringLen(V_BSTR(value.Get()))));
            item.Clear();
        }
    }
    PrintText(out, "Bank: %s (services: %s)\n", WideToUtf8(std::wstring(bankName.View())).c_str(), names.c_str());

    Variant index;
    V_VT(index.Get()) = VT_BSTR;
    V_BSTR(index.Get()) = SysAllocString(name);
    ComPtr<ICorvaneBankService> chosen;
    hr = services->Item(index.Get(), chosen.Put());
    index.Clear();
    if (FAILED(hr)) {
        Report("the bank has no service named " + WideToUtf8(name) + ": " + Hex(hr), kExitNotDone);
        return hr;
    }
    return chosen->QueryInterface(iid, service.PutVoid());
}

// The payment file extension the host's configuration gives the bank: the
// save dialog appends it to a name without one.
std::string PaymentFileExtension()
{
    ComPtr<ICorvaneBankConfiguration> configuration;
    if (FAILED(CoCreateInstance(CLSID_BankConfiguration, nullptr, CLSCTX_INPROC_SERVER, IID_ICorvaneBankConfiguration,
                                configuration.PutVoid())))
        return {};
    char bank[100] = "RBS/NatWest Internet Bankline";
    char name[1024] = {}, extension[4] = {}, directory[1024] = {};
    if (FAILED(configuration->GetPaymentFileSettings(bank, name, extension, directory)))
        return {};
    extension[sizeof extension - 1] = '\0';
    return extension;
}

// A failed call of the component: its result and the error information it
// left, for the person reading the output.
void ReportCallFailure(const char* call, HRESULT hr)
{
    if (SUCCEEDED(hr))
        return;
    std::string description;
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.Put()) == S_OK && info) {
        Bstr text;
        if (SUCCEEDED(info->GetDescription(text.Put())))
            description = WideToUtf8(std::wstring(text.View()));
    }
    PrintText(stderr, "corvane: %s returned %s%s%s\n", call, Hex(hr).c_str(), description.empty() ? "" : ": ",
              description.c_str());
}

bool MakeBankRecord(ICorvaneHostControl* host, const Options& options, ComPtr<ICorvaneBankRecord>& record)
{
    if (!options.haveAccount)
        return true; // the host passes no bank record
    Bstr sort(options.sortCode), account(options.accountNumber);
    return SUCCEEDED(host->NewBankRecord(sort.Get(), account.Get(), record.Put()));
}

// ---- payments -----------------------------------------------------------------

const char* const kTextColumns[] = {"PayerBACSReference", "PayerSortCode", "PayerAccountNumber", "PayerAccountName",
                                    "PayerRollNumber", "PayeeBACSReference", "PayeeSortCode", "PayeeAccountNumber",
                                    "PayeeAccountName", "PayeeRollNumber", "Reference", "Details", "Currency"};

bool ParseAmount(const std::string& text, double& amount)
{
    // Pounds, a full stop as decimal point, optionally signed: -12.5, 1234.56
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    std::size_t digits = 0, dots = 0;
    for (std::size_t j = i; j < text.size(); ++j) {
        if (text[j] >= '0' && text[j] <= '9')
            ++digits;
        else if (text[j] == '.' && dots == 0)
            ++dots;
        else
            return false;
    }
    if (digits == 0)
        return false;
    amount = std::strtod(text.c_str(), nullptr);
    return std::isfinite(amount);
}

// The largest amount taken: twelve digits of pounds keep every penny exact
// in the double that the host's payment holds.
constexpr double kMaxAmount = 999999999999.99;

// A whole number in the range of the host's 32-bit integers; false for
// anything else, a number out of range included.
bool ParseLong(const std::string& text, long& value)
{
    if (text.empty() || text.find_first_not_of("+-0123456789") != std::string::npos)
        return false;
    errno = 0;
    char* end = nullptr;
    const long long wide = std::strtoll(text.c_str(), &end, 10);
    if (!end || *end != '\0' || errno == ERANGE || wide < -2147483647LL - 1 || wide > 2147483647LL)
        return false;
    value = static_cast<long>(wide);
    return true;
}

HRESULT PutText(ICorvanePayment* p, const std::string& column, const std::wstring& value)
{
    Bstr b(value);
    if (column == "PayerBACSReference") return p->put_PayerBACSReference(b.Get());
    if (column == "PayerSortCode") return p->put_PayerSortCode(b.Get());
    if (column == "PayerAccountNumber") return p->put_PayerAccountNumber(b.Get());
    if (column == "PayerAccountName") return p->put_PayerAccountName(b.Get());
    if (column == "PayerRollNumber") return p->put_PayerRollNumber(b.Get());
    if (column == "PayeeBACSReference") return p->put_PayeeBACSReference(b.Get());
    if (column == "PayeeSortCode") return p->put_PayeeSortCode(b.Get());
    if (column == "PayeeAccountNumber") return p->put_PayeeAccountNumber(b.Get());
    if (column == "PayeeAccountName") return p->put_PayeeAccountName(b.Get());
    if (column == "PayeeRollNumber") return p->put_PayeeRollNumber(b.Get());
    if (column == "Reference") return p->put_Reference(b.Get());
    if (column == "Details") return p->put_Details(b.Get());
    if (column == "Currency") return p->put_Currency(b.Get());
    return E_INVALIDARG;
}

// One row of the payments file, checked and converted.
struct PaymentRow {
    bool hasAmount = false, hasStatusCode = false;
    double amount = 0;
    long statusCode = 0;
    std::vector<std::pair<std::string, std::wstring>> texts; // column, value
};

// Reads and checks the payments file before anything is asked of COM, so
// that every input error names its line and field. Returns 0 or an exit code.
int ReadPayments(const std::wstring& path, std::vector<PaymentRow>& rows, TextEncoding& encoding)
{
    const std::string file = WideToUtf8(path);
    std::string bytes, text, error;
    if (!ReadFile(path, bytes, error))
        return Fail("cannot read " + file + ": " + error);
    if (!DecodeText(bytes, text, encoding, error))
        return Fail(file + ": " + error);
    std::vector<CsvRecord> records;
    if (!ParseCsv(text, records, error))
        return Fail(file + ": " + error);
    if (records.empty())
        return Fail(file + ": the file is empty (a header row naming the payment's properties is needed)");
    const std::vector<std::string>& header = records[0].fields;
    std::set<std::string> known = {"Amount", "StatusCode"};
    known.insert(std::begin(kTextColumns), std::end(kTextColumns));
    for (std::size_t c = 0; c < header.size(); ++c) {
        const std::string where = file + ": line " + std::to_string(records[0].line) + ", field " + std::to_string(c + 1);
        if (!known.count(header[c]))
            return Fail(where + ": unknown column '" + header[c] + "'");
        for (std::size_t before = 0; before < c; ++before)
            if (header[before] == header[c])
                return Fail(where + ": column '" + header[c] + "' is named twice");
    }

    for (std::size_t r = 1; r < records.size(); ++r) {
        const CsvRecord& rec = records[r];
        if (rec.fields.size() > header.size())
            return Fail(file + ": line " + std::to_string(rec.line) + ", field " + std::to_string(header.size() + 1) +
                        ": more fields than the header names (" + std::to_string(header.size()) + ")");
        PaymentRow row;
        for (std::size_t c = 0; c < rec.fields.size(); ++c) {
            const std::string& column = header[c];
            const std::string& value = rec.fields[c];
            const std::string where =
                file + ": line " + std::to_string(rec.line) + ", field " + std::to_string(c + 1) + " (" + column + "): ";
            if (column == "Amount") {
                if (!value.empty() && !ParseAmount(value, row.amount))
                    return Fail(where + "'" + value + "' is not an amount in pounds (e.g. 1234.56)");
                if (std::fabs(row.amount) > kMaxAmount)
                    return Fail(where + "'" + value + "' is out of range (at most 999999999999.99 pounds either way)");
                row.hasAmount = true;
            } else if (column == "StatusCode") {
                if (!value.empty() && !ParseLong(value, row.statusCode))
                    return Fail(where + "'" + value + "' is not a whole number from -2147483648 to 2147483647");
                row.hasStatusCode = true;
            } else {
                row.texts.emplace_back(column, Utf8ToWide(value));
            }
        }
        rows.push_back(std::move(row));
    }
    return 0;
}

// Builds the host's batch, one payment per row.
bool BuildBatch(ICorvaneHostControl* host, const std::vector<PaymentRow>& rows, ComPtr<ICorvanePayments>& batch)
{
    if (FAILED(host->NewPayments(batch.Put())))
        return false;
    for (const PaymentRow& row : rows) {
        ComPtr<ICorvanePayment> p;
        if (FAILED(host->AddPayment(batch.Get(), p.Put())))
            return false;
        if (row.hasAmount && FAILED(p->put_Amount(row.amount)))
            return false;
        if (row.hasStatusCode && FAILED(p->put_StatusCode(row.statusCode)))
            return false;
        for (const auto& text : row.texts)
            if (FAILED(PutText(p.Get(), text.first, text.second)))
                return false;
    }
    return true;
}

} // namespace

bool ParseDate(const std::string& text, Date& date)
{
    int d = 0, m = 0, y = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%2d/%2d/%4d%c", &d, &m, &y, &tail) != 3)
        return false;
    static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12 || d < 1 || d > days[m - 1] || y < 1900)
        return false;
    if (m == 2 && d == 29 && !((y % 4 == 0 && y % 100 != 0) || y % 400 == 0))
        return false;
    date = {d, m, y};
    return true;
}

bool ParseRows(const std::string& text, std::set<int>& rows)
{
    // Row numbers separated by single commas: 0,3 (not 0,,3 nor 0,3,).
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        long row = 0;
        if (item.find_first_not_of("0123456789") != std::string::npos || !ParseLong(item, row) || row > 100000)
            return false;
        rows.insert(static_cast<int>(row));
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}

std::wstring WindowsPath(const std::wstring& path)
{
    if (path.size() >= 2 && path[1] == L':')
        return path;
    if (path.empty() || path[0] != L'/') {
        // Relative to the Unix working directory, which Wine shows as the
        // current directory on Z:.
        wchar_t cwd[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, cwd);
        std::wstring w = cwd;
        if (!w.empty() && w.back() != L'\\')
            w += L'\\';
        std::wstring rest = path;
        for (auto& c : rest)
            if (c == L'/')
                c = L'\\';
        return w + rest;
    }
    std::wstring w = L"Z:" + path;
    for (auto& c : w)
        if (c == L'/')
            c = L'\\';
    return w;
}

bool AnsiPath(const std::wstring& path, std::string& ansi)
{
    ansi.clear();
    if (path.empty())
        return true;
    // No best fit: "東" must not quietly become "?" or a look-alike that
    // names another file.
    BOOL lossy = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.data(), static_cast<int>(path.size()), nullptr,
                                      0, nullptr, &lossy);
    if (n <= 0 || lossy)
        return false;
    ansi.assign(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.data(), static_cast<int>(path.size()), &ansi[0], n, nullptr,
                        &lossy);
    return !lossy && ansi.find('\0') == std::string::npos;
}

std::string PaymentOutcomeWords(long status)
{
    switch (status) {
    case 0: return "written: every payment passed its checks";
    case 1: return "written: some payments failed their checks";
    case 2: return "not written: the payment file could not be created";
    case 3: return "cancelled: nothing was written";
    case 40: return "refused: more than 4000 payments, nothing was written";
    default: return "unknown outcome";
    }
}

namespace {
// COM, the host's control and the bank record the run is for (none without
// --account). 0, or the exit code after the reason has been printed.
int OpenHost(const ComScope& com, const Options& options, ComPtr<ICorvaneHostControl>& host,
             ComPtr<ICorvaneBankRecord>& record)
{
    if (!com.Ok())
        return Report("COM cannot start", kExitNotDone);
    if (!CreateHost(host))
        return kExitNotDone;
    if (!MakeBankRecord(host.Get(), options, record))
        return Report("the host cannot make a bank record", kExitNotDone);
    return 0;
}

std::string AnsiCodePageName() { return "the ANSI code page (" + std::to_string(GetACP()) + ")"; }

// A path given for a file that the component opens: it takes narrow paths
// in the ANSI code page. 0, or the exit code after the reason.
int CheckAnsiPath(const std::string& what, const std::wstring& given, std::string& ansi)
{
    if (!AnsiPath(WindowsPath(given), ansi))
        return Fail(what + ": the component opens files by their path in " + AnsiCodePageName() +
                    ", which cannot spell '" + WideToUtf8(given) + "'; rename the file or choose another folder");
    if (ansi.size() >= MAX_PATH)
        return Fail(what + ": the path is longer than the component takes (" + std::to_string(MAX_PATH - 1) +
                    " characters)");
    return 0;
}

// The characters Windows does not allow in a file name; typed into the save
// dialog they make it save somewhere else ('"' quotes names, '*' and '?'
// filter the list). A colon is a drive's only.
int CheckOutPath(const std::wstring& out)
{
    for (std::size_t i = 0; i < out.size(); ++i) {
        const wchar_t c = out[i];
        std::string bad;
        if (c < 0x20 || c == 0x7F) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
            bad = std::string("a control character (") + code + ")";
        } else if (std::wcschr(L"\"<>|?*", c) || (c == L':' && !(i == 1 && std::iswalpha(out[0])))) {
            bad = std::string("the character '") + static_cast<char>(c) + "'";
        }
        if (!bad.empty())
            return Fail("--out: '" + WideToUtf8(out) + "' holds " + bad +
                        ", which Windows does not allow in a file name");
    }
    // CON, NUL, COM1 and the like name devices in every folder and with any
    // extension: the run would "write" its file into nothing.
    const std::size_t slash = out.find_last_of(L"\\/");
    const std::wstring name = out.substr(slash == std::wstring::npos ? 0 : slash + 1);
    std::wstring stem = name.substr(0, name.find(L'.'));
    while (!stem.empty() && stem.back() == L' ')
        stem.pop_back();
    for (auto& c : stem)
        c = static_cast<wchar_t>(std::towupper(c));
    const bool numbered = stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
                          stem[3] >= L'1' && stem[3] <= L'9';
    if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL" || numbered)
        return Fail("--out: '" + WideToUtf8(out) + "' names a device (" + WideToUtf8(name) + "), not a file");
    return 0;
}

bool FileExists(const std::string& ansiPath)
{
    const DWORD attributes = GetFileAttributesA(ansiPath.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string JsonBoxes(const std::vector<AnsweredBox>& boxes)
{
    std::string out = "[";
    for (std::size_t i = 0; i < boxes.size(); ++i)
        out += std::string(i ? ", " : "") + "{\"caption\": " + JsonString(boxes[i].caption) +
               ", \"text\": " + JsonString(boxes[i].text) + "}";
    return out + "]";
}

std::string AnsiToUtf8(const std::string& ansi)
{
    if (ansi.empty())
        return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0], n);
    return WideToUtf8(wide);
}
} // namespace

namespace {

std::string TextOf(const PaymentRow& row, const char* column)
{
    for (const auto& [name, value] : row.texts)
        if (name == column)
            return WideToUtf8(value);
    return {};
}

// The account check of each payee's pair, as the component makes it; each
// invalid one is named, with the advice, unless the setting turns it off.
std::vector<qf::AccountCheck> CheckPayees(const std::vector<PaymentRow>& rows, std::FILE* info)
{
    const HostAccountCheck checker;
    std::vector<qf::AccountCheck> checks;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string sortCode = TextOf(rows[i], "PayeeSortCode");
        const std::string accountNumber = TextOf(rows[i], "PayeeAccountNumber");
        checks.push_back(checker.Check(sortCode, accountNumber));
        if (checks.back().result == qf::AccountCheckResult::Invalid && !checker.Off())
            PrintText(info, "Account check: payment %zu, %s, %s %s: invalid (%s); payments to it are likely to be "
                               "returned\n",
                         i, TextOf(rows[i], "PayeeAccountName").c_str(), sortCode.c_str(), accountNumber.c_str(),
                         qf::CheckDetail(checks.back()).c_str());
    }
    return checks;
}

std::wstring WideTextOf(const PaymentRow& row, const char* column)
{
    for (const auto& [name, value] : row.texts)
        if (name == column)
            return value;
    return {};
}

// The names and references that the file holds in the bank's characters
// otherwise than typed, as the component wrote them: the payees' texts the
// layout carries, and the beneficiary reference the run confirmed (which it
// stored for the paying account).
std::vector<ChangedBankText> ChangedTexts(const std::vector<PaymentRow>& rows, const Options& options)
{
    std::vector<PayeeTexts> payees;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const PaymentRow& row = rows[i];
        const bool marked = options.iatRows.count(static_cast<int>(i)) > 0 || (row.hasStatusCode && row.statusCode != 0);
        payees.push_back({WideTextOf(row, "PayeeAccountName"), WideTextOf(row, "PayeeRollNumber"),
                          WideTextOf(row, "PayeeBACSReference"), marked});
    }
    std::string key = "RBSBanklineBenRef";
    if (options.haveAccount) {
        for (wchar_t c : options.sortCode)
            if (c >= L'0' && c <= L'9')
                key += static_cast<char>(c);
        key += "_" + WideToUtf8(options.accountNumber);
    }
    qf::CString benRef;
    qf::ReadSetting(key.c_str(), benRef);
    std::wstring wide(static_cast<std::size_t>(benRef.GetLength()), L'\0');
    if (!wide.empty())
        wide.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, benRef.c_str(), benRef.GetLength(), &wide[0],
                                                                 static_cast<int>(wide.size()))));
    return ChangedBankTexts(payees, options.layout, wide);
}

bool AskedAccountCheck(const std::vector<AnsweredBox>& boxes)
{
    for (const AnsweredBox& box : boxes)
        if (box.caption == qf::kAccountCheckCaption)
            return true;
    return false;
}

} // namespace

int RunPay(const std::wstring& path, const Options& given)
{
    Options options = given;
    const std::string file = WideToUtf8(path);
    if (!options.out.empty()) {
        if (int rc = CheckOutPath(options.out))
            return rc;
        // Typed into the save dialog, which takes text in the ANSI code page.
        if (int rc = CheckAnsiPath("--out", options.out, options.outPath))
            return rc;
    }
    std::vector<PaymentRow> rows;
    TextEncoding encoding = TextEncoding::Utf8;
    if (int rc = ReadPayments(path, rows, encoding))
        return rc;
    const long count = static_cast<long>(rows.size());
    if (!options.iatRows.empty() && *options.iatRows.rbegin() >= count)
        return Fail("--iat " + std::to_string(*options.iatRows.rbegin()) + ": " + file + " holds " +
                    std::to_string(count) + " payments (rows 0 to " + std::to_string(count - 1) + ")");

    std::FILE* info = options.Info();
    ComScope com;
    ComPtr<ICorvaneHostControl> host;
    ComPtr<ICorvaneBankRecord> record;
    if (int rc = OpenHost(com, options, host, record))
        return rc;
    ComPtr<ICorvanePayments> batch;
    if (!BuildBatch(host.Get(), rows, batch))
        return Report("the host cannot make the payment batch", kExitNotDone);

    ComPtr<ICorvaneBankPaymentService> service;
    HRESULT hr = TakeService(L"Bank Payment Service", IID_ICorvaneBankPaymentService, info, service);
    if (FAILED(hr))
        return kExitNotDone;
    PrintText(info, "Payments: %ld from %s (%s)\n", count, file.c_str(), EncodingName(encoding));
    const std::vector<qf::AccountCheck> accountChecks = CheckPayees(rows, info);
    std::fflush(info);
    options.extension = PaymentFileExtension();

    std::unique_ptr<Autopilot> pilot;
    if (!options.interactive)
        pilot.reset(new Autopilot(options));
    hr = service->ProcessPayments(batch.Get(), record.Get());
    ReportCallFailure("ProcessPayments", hr);
    if (pilot)
        pilot->Finish();

    long status = 0;
    service->get_Status(&status);
    const bool called = hr == S_OK || hr == S_FALSE;
    // A run whose options dialog never appeared was not cancelled by anyone.
    const bool noDialog = pilot && status == 3 && !pilot->SawOptionsDialog() && !pilot->Failed();
    const std::string words = noDialog ? "no options dialog was shown: nothing was written" : PaymentOutcomeWords(status);
    // Outcomes 0 and 1 leave a written file; only then do the payments'
    // codes say what went into it.
    const bool written = called && (status == 0 || status == 1);

    std::string confirmed; // ANSI
    if (written && pilot) {
        confirmed = pilot->ConfirmedPath();
        if (!confirmed.empty() && !FileExists(confirmed)) {
            Report("the run reports a file written, but there is none at " + AnsiToUtf8(confirmed), kExitNotDone);
            confirmed.clear();
        }
    }

    int rc = kExitDone;
    if (pilot && pilot->Failed()) {
        rc = Report("the autopilot could not drive the run as asked; it was cancelled", kExitNotDone);
    } else if (noDialog) {
        rc = Report("the options dialog was never shown (is there a display?); nothing was written", kExitNotDone);
    } else if (pilot && options.accountCheckStop && status == 3 && AskedAccountCheck(pilot->Boxes())) {
        rc = Report("--account-check stop: a payee's account number fails the account check; nothing was written",
                    kExitNotDone);
    } else if (pilot && pilot->Refused() && status == 3) {
        rc = Report("the options dialog refused what it was given (see the message above); the autopilot cancelled",
                    kExitNotDone);
    } else if (!called || !written) {
        rc = kExitNotDone;
    } else if (pilot && !pilot->ConfirmedPath().empty() && confirmed.empty()) {
        rc = kExitNotDone;
    } else if (status == 1) {
        rc = kExitProblems;
    }

    struct Line {
        long code;
        std::string text;
    };
    std::vector<Line> codes;
    if (written) {
        for (long i = 0; i < count; ++i) {
            ComPtr<ICorvanePayment> p;
            long code = -1;
            if (SUCCEEDED(batch->Item(i, p.Put())))
                p->get_StatusCode(&code);
            Bstr message;
            service->GetStatusText(code, message.Put());
            codes.push_back({code, WideToUtf8(std::wstring(message.View()))});
        }
    }

    PrintText(info, "Status: %ld (%s)\nResult: %s\n", status, words.c_str(), Hex(hr).c_str());
    for (std::size_t i = 0; i < codes.size(); ++i)
        PrintText(info, "Payment %zu: %ld%s%s\n", i, codes[i].code, codes[i].text.empty() ? "" : " ",
                  codes[i].text.c_str());
    if (!confirmed.empty())
        PrintText(info, "File: %s\n", AnsiToUtf8(confirmed).c_str());
    const std::vector<ChangedBankText> changed = written ? ChangedTexts(rows, options) : std::vector<ChangedBankText>();
    if (!changed.empty())
        PrintText(info, "Written in the bank's characters (A-Z, 0-9, space and . - / &):\n");
    for (const ChangedBankText& c : changed) {
        const std::string where = c.row < 0 ? "" : "payment " + std::to_string(c.row) + " ";
        PrintText(info, "  %s%s: %s \xE2\x86\x92 %s\n", where.c_str(), c.property.c_str(), c.typed.c_str(),
                  c.written.c_str());
    }
    std::fflush(info);

    if (options.json) {
        std::string json = "{\"command\": \"pay\", \"input\": " + JsonString(file) +
                           ", \"encoding\": " + JsonString(EncodingName(encoding)) +
                           ", \"count\": " + std::to_string(count) + ", \"status\": " + std::to_string(status) +
                           ", \"outcome\": " + JsonString(words) + ", \"result\": " + JsonString(Hex(hr)) +
                           ", \"file\": " + (confirmed.empty() ? "null" : JsonString(AnsiToUtf8(confirmed))) +
                           ", \"messageBoxes\": " + (pilot ? JsonBoxes(pilot->Boxes()) : "[]") + ", \"payments\": [";
        for (std::size_t i = 0; i < codes.size(); ++i)
            json += std::string(i ? ", " : "") + "{\"row\": " + std::to_string(i) +
                    ", \"code\": " + std::to_string(codes[i].code) + ", \"text\": " + JsonString(codes[i].text) +
                    ", \"accountCheck\": " + JsonString(qf::ResultName(accountChecks[i].result)) + "}";
        json += "], \"changedTexts\": [";
        for (std::size_t i = 0; i < changed.size(); ++i)
            json += std::string(i ? ", " : "") + "{\"row\": " + (changed[i].row < 0 ? "null" : std::to_string(changed[i].row)) +
                    ", \"property\": " + JsonString(changed[i].property) + ", \"typed\": " +
                    JsonString(changed[i].typed) + ", \"written\": " + JsonString(changed[i].written) + "}";
        json += "], \"exitCode\": " + std::to_string(rc) + "}\n";
        WriteText(stdout, json.c_str());
        std::fflush(stdout);
    }
    return rc;
}

namespace {

// For tests of imports that run at the same time: with CORVANE_STARTING_LINE
// naming a file, the import waits (a minute at most) until that file
// exists, after saying that it is ready with a file of its own beside it
// (the same name, a dot and this process's number). Started together, the
// imports then begin within a few milliseconds of each other, however long
// each process took to start.
void WaitAtStartingLine()
{
    const char* line = std::getenv("CORVANE_STARTING_LINE");
    if (!line || !*line)
        return;
    const std::string ready = std::string(line) + "." + std::to_string(GetCurrentProcessId());
    const HANDLE file = CreateFileA(ready.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    for (int waited = 0; waited < 60000 && GetFileAttributesA(line) == INVALID_FILE_ATTRIBUTES; waited += 2)
        Sleep(2);
}

} // namespace

int RunStatement(const std::wstring& path, const Options& options)
{
    const std::string file = WideToUtf8(path);
    {
        File probe(_wfopen(path.c_str(), L"rb"));
        if (!probe)
            return Fail("cannot read " + file + ": " + std::strerror(errno));
    }
    std::string ansi;
    if (int rc = CheckAnsiPath(file, path, ansi))
        return rc;
    // The component asks about lines imported before in a message box; one
    // that cannot be shown (no display) leaves its default, the new lines.
    const bool cannotAsk = !options.interactive && MayAskAboutImportedBefore(options) && !CanShowWindows();
    if (cannotAsk && options.alreadyImported != AlreadyImported::New)
        return Report(std::string("--already-imported ") +
                          (options.alreadyImported == AlreadyImported::All ? "all" : "none") +
                          ": lines were imported for this account before, and without a display the component "
                          "cannot ask what to do with those in the file (it would import only the new ones); "
                          "nothing was imported",
                      kExitInput);
    std::FILE* info = options.Info();
    ComScope com;
    ComPtr<ICorvaneHostControl> host;
    ComPtr<ICorvaneBankRecord> record;
    if (int rc = OpenHost(com, options, host, record))
        return rc;
    ComPtr<ICorvaneBankStatement> statement;
    if (FAILED(host->NewStatement(statement.Put())))
        return Report("the host cannot make a statement", kExitNotDone);
    // The host's selector hands over the file the user picked: this one.
    Bstr chosen(WindowsPath(path));
    host->SetStatementChoice(chosen.Get(), 0);

    ComPtr<ICorvaneBankStatementService> service;
    HRESULT hr = TakeService(L"Bank Reconciliation Service", IID_ICorvaneBankStatementService, info, service);
    if (FAILED(hr))
        return kExitNotDone;
    // The component tells of skipped lines and unreadable files in a box.
    std::unique_ptr<Autopilot> pilot;
    if (!options.interactive)
        pilot.reset(new Autopilot(options));
    WaitAtStartingLine();
    hr = service->ImportStatement(record.Get(), statement.Get());
    ReportCallFailure("ImportStatement", hr);
    if (pilot)
        pilot->Finish();
    long status = 0;
    service->get_Status(&status);

    // The selector labels the file through the component's callback, which
    // recognises statement files by their header.
    long recognised = -1;
    host->get_SelectorCallbackResult(&recognised);
    Bstr label;
    host->get_SelectorDescription(label.Put());
    PrintText(info, "Statement file: %s (%s)\n", file.c_str(), WideToUtf8(std::wstring(label.View())).c_str());
    std::fflush(info);
    if (recognised == 0)
        PrintText(stderr, "corvane: %s is not a Bankline statement (its header has neither 14 nor 18 fields)\n",
                  file.c_str());

    long lines = 0;
    statement->get_Count(&lines);
    if (options.csv)
        PrintText(stdout, "LineNumber,Date,TransactionType,Amount,Reference,Description\n");
    else if (!options.json)
        PrintText(stdout, "%-5s %-10s %-6s %12s  %-18s %s\n", "Line", "Date", "Type", "Amount", "Reference", "Description");
    std::string jsonLines;
    // The table and the CSV go out a quarter megabyte at a time, always
    // whole lines (a console turns each write into wide text).
    std::string printed;
    const std::size_t kPrintChunk = 256 * 1024;
    if (!options.json)
        printed.reserve(kPrintChunk + 4096);
    DayCache days;
    std::string utf8;
    long received = 0;
    for (long i = 0; i < lines; ++i) {
        ComPtr<ICorvaneStatementLine> line;
        if (FAILED(statement->Item(i, line.Put())))
            continue;
        ++received;
        Variant number;
        line->get_LineNumber(number.Get());
        long lineNumber = 0;
        if (V_VT(number.Get()) == VT_I4) {
            lineNumber = V_I4(number.Get());
        } else {
            Variant asLong;
            if (SUCCEEDED(VariantChangeType(asLong.Get(), number.Get(), 0, VT_I4)))
                lineNumber = V_I4(asLong.Get());
        }
        DATE date = 0;
        line->get_Date(&date);
        const char* day = days.Of(date);
        long type = 0;
        line->get_TransactionType(&type);
        double amount = 0;
        line->get_Amount(&amount);
        Bstr reference, description;
        line->get_Reference(reference.Put());
        line->get_Description(description.Put());
        if (options.csv) {
            AppendInteger(printed, lineNumber);
            printed += ',';
            printed += day;
            printed += ',';
            AppendInteger(printed, type);
            printed += ',';
            AppendMoney(printed, amount);
            printed += ',';
            AppendCsvText(printed, reference.Get(), utf8);
            printed += ',';
            AppendCsvText(printed, description.Get(), utf8);
            printed += '\n';
        } else {
            const std::string ref = WideToUtf8(std::wstring(reference.View()));
            const std::string desc = WideToUtf8(std::wstring(description.View()));
            char money[64];
            std::snprintf(money, sizeof money, "%.2f", amount);
            if (options.json) {
                jsonLines += std::string(jsonLines.empty() ? "" : ", ") + "{\"lineNumber\": " +
                             std::to_string(lineNumber) + ", \"date\": \"" + day + "\", \"transactionType\": " +
                             std::to_string(type) + ", \"amount\": " + money + ", \"reference\": " + JsonString(ref) +
                             ", \"description\": " + JsonString(desc) + "}";
            } else {
                AppendShownLine(printed, lineNumber, day, type == 0 ? "debit" : "credit", money, ref.c_str(),
                                desc.c_str());
            }
        }
        if (printed.size() >= kPrintChunk) {
            WriteLines(stdout, printed.data(), printed.size());
            printed.clear();
        }
    }
    WriteLines(stdout, printed.data(), printed.size());
    std::fflush(stdout);

    // What the program can tell: a file the callback did not take for a
    // statement gave nothing; a warning box means lines were skipped or none
    // was the account's; no line at all means the same without a box.
    const bool called = hr == S_OK || hr == S_FALSE;
    // An autopilot that could not answer a box dismissed it: the run went
    // on, but not as a person would have had it. The question about lines
    // imported before is no warning.
    const ImportedBefore before = pilot ? FindImportedBefore(pilot->Boxes()) : ImportedBefore();
    const bool warned = pilot && (pilot->Boxes().size() > (before.asked ? 1u : 0u) || pilot->Failed());
    long passedOver = 0;
    if (before.asked) {
        passedOver = options.alreadyImported == AlreadyImported::New    ? before.before
                     : options.alreadyImported == AlreadyImported::None ? before.lines
                                                                         : 0;
        PrintText(info, "Lines: %ld new, %ld passed over as imported before\n", before.lines - before.before,
                     passedOver);
    }
    std::string words;
    int rc = kExitDone;
    if (!called) {
        words = "failed: nothing was imported";
        rc = kExitNotDone;
    } else if (status == 1) {
        words = before.asked ? "cancelled: nothing was imported" : "cancelled: no file was chosen";
        rc = kExitNotDone;
    } else if (status != 0) {
        words = "unknown outcome";
        rc = kExitNotDone;
    } else if (recognised == 0) {
        words = "nothing imported: not a Bankline statement";
        rc = kExitNotDone;
    } else if (received == 0 && cannotAsk) {
        // None of its lines, or all of them imported before: the box that
        // would tell which could not be shown.
        words = "imported: no new line for the account";
        rc = kExitProblems;
    } else if (received == 0 && before.asked && !warned) {
        words = "imported: no new line";
    } else if (received == 0) {
        words = "imported: no line for the account";
        rc = kExitProblems;
    } else if (warned) {
        words = "imported with warnings: " + std::to_string(received) + (received == 1 ? " line" : " lines");
        rc = kExitProblems;
    } else {
        words = "imported: " + std::to_string(received) + (received == 1 ? " line" : " lines");
    }
    if (cannotAsk && called && status == 0 && recognised != 0)
        Report(std::string("no display: the component could not ask about lines of the file imported before, "
                           "and imported only the new ones") +
                   (received == 0 ? "; whether the file holds no line for the account or only lines imported "
                                    "before cannot be told"
                                  : ""),
               kExitProblems);
    PrintText(info, "Status: %ld (%s)\nResult: %s\n", status, words.c_str(), Hex(hr).c_str());
    std::fflush(info);
    if (options.json) {
        const std::string json =
            "{\"command\": \"statement\", \"input\": " + JsonString(file) +
            ", \"recognised\": " + (recognised == 0 ? "false" : "true") +
            ", \"description\": " + JsonString(WideToUtf8(std::wstring(label.View()))) +
            ", \"status\": " + std::to_string(status) +
            ", \"outcome\": " + JsonString(words) + ", \"result\": " + JsonString(Hex(hr)) +
            ", \"messageBoxes\": " + (pilot ? JsonBoxes(pilot->Boxes()) : "[]") + ", \"importedBefore\": " +
            (before.asked ? "{\"lines\": " + std::to_string(before.lines) + ", \"before\": " +
                                std::to_string(before.before) + ", \"passedOver\": " + std::to_string(passedOver) + "}"
                          : std::string("null")) +
            ", \"lines\": [" + jsonLines +
            "], \"exitCode\": " + std::to_string(rc) + "}\n";
        WriteText(stdout, json.c_str());
        std::fflush(stdout);
    }
    return rc;
}

} // namespace corvane
