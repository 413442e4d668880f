#include "host/corvane/host_program.h"

#include <windows.h>
#include <ole2.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <vector>

#include "CorvaneBankPayments.h"
#include "CorvaneBankReconciliation.h"
#include "CorvaneEBanking.h"
#include "CorvaneHostTest.h"
#include "host/corvane/autopilot.h"
#include "host/corvane/csv.h"

namespace corvane {
namespace {

// Owns one reference of an interface pointer.
template <class T> struct Ref {
    T* p = nullptr;
    Ref() = default;
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    ~Ref() { if (p) p->Release(); }
    T** put() { if (p) { p->Release(); p = nullptr; } return &p; }
    T* operator->() const { return p; }
};

struct File {
    std::FILE* f;
    explicit File(std::FILE* file) : f(file) {}
    ~File() { if (f) std::fclose(f); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
};

struct BstrText {
    BSTR b = nullptr;
    explicit BstrText(const std::wstring& text) : b(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    BstrText() = default;
    ~BstrText() { SysFreeString(b); }
    BstrText(const BstrText&) = delete;
    BstrText& operator=(const BstrText&) = delete;
    std::wstring str() const { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }
};

class ComScope {
public:
    ComScope() : m_hr(CoInitialize(nullptr)) {}
    ~ComScope() { if (SUCCEEDED(m_hr)) CoUninitialize(); }
    bool ok() const { return SUCCEEDED(m_hr); }

private:
    HRESULT m_hr;
};

std::string Hex(HRESULT hr)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

// Exit codes: the component's call failed (or could not be made), and a
// usage or input error that the caller can fix.
constexpr int kExitFailed = 1;
constexpr int kExitInput = 2;

int Report(const std::string& message, int exitCode)
{
    std::fprintf(stderr, "corvane: %s\n", message.c_str());
    return exitCode;
}

int Fail(const std::string& message) { return Report(message, kExitInput); }

// Reads the whole file; on failure says why.
bool ReadFile(const std::string& path, std::string& text, std::string& error)
{
    File in(std::fopen(path.c_str(), "rb"));
    if (!in.f) {
        error = std::strerror(errno);
        return false;
    }
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in.f)) > 0)
        text.append(buffer, n);
    if (std::ferror(in.f)) {
        error = "read error";
        return false;
    }
    return true;
}

// The component's classes and the host's control object.
bool CreateHost(Ref<ICorvaneHostControl>& host)
{
    HRESULT hr = CoCreateInstance(CLSID_HostControl, nullptr, CLSCTX_INPROC_SERVER, IID_ICorvaneHostControl,
                                  reinterpret_cast<void**>(host.put()));
    if (FAILED(hr)) {
        Report("the host's components are not registered (regsvr32 CorvaneHost.dll): " + Hex(hr), kExitFailed);
        return false;
    }
    return true;
}

// Creates the bank by ProgID, walks its services as the accounting
// application lists them, and takes the one it needs through Item.
template <class T> HRESULT TakeService(const wchar_t* name, REFIID iid, bool quiet, Ref<T>& service)
{
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(L"Quillfen.Bank", &clsid);
    if (FAILED(hr)) {
        Report("Quillfen.Bank is not registered (regsvr32 Quillfen.dll): " + Hex(hr), kExitFailed);
        return hr;
    }
    Ref<ICorvaneBank> bank;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_ICorvaneBank, reinterpret_cast<void**>(bank.put()));
    if (FAILED(hr)) {
        Report("cannot create Quillfen.Bank: " + Hex(hr), kExitFailed);
        return hr;
    }
    BstrText bankName;
    bank->get_Name(&bankName.b);
    Ref<ICorvaneBankServices> services;
    hr = bank->get_Services(services.put());
    if (FAILED(hr)) {
        Report("the bank hands out no services: " + Hex(hr), kExitFailed);
        return hr;
    }
    std::string names;
    Ref<IUnknown> unknown;
    Ref<IEnumVARIANT> walk;
    if (SUCCEEDED(services->get__NewEnum(unknown.put())) && unknown.p &&
        SUCCEEDED(unknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(walk.put())))) {
        VARIANT item;
        VariantInit(&item);
        // Each service comes as IDispatch; its name is read late-bound.
        while (walk->Next(1, &item, nullptr) == S_OK) {
            IDispatch* each = V_VT(&item) == VT_DISPATCH ? V_DISPATCH(&item) : nullptr;
            LPOLESTR member = const_cast<LPOLESTR>(L"Name");
            DISPID id = DISPID_UNKNOWN;
            VARIANT value;
            VariantInit(&value);
            DISPPARAMS none = {};
            if (each && SUCCEEDED(each->GetIDsOfNames(IID_NULL, &member, 1, LOCALE_USER_DEFAULT, &id)) &&
                SUCCEEDED(each->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &value, nullptr,
                                       nullptr)) &&
                V_VT(&value) == VT_BSTR)
                names += (names.empty() ? "" : ", ") + WideToUtf8(std::wstring(V_BSTR(&value), SysStringLen(V_BSTR(&value))));
            VariantClear(&value);
            VariantClear(&item);
        }
    }
    if (!quiet)
        std::printf("Bank: %s (services: %s)\n", WideToUtf8(bankName.str()).c_str(), names.c_str());

    VARIANT index;
    VariantInit(&index);
    V_VT(&index) = VT_BSTR;
    V_BSTR(&index) = SysAllocString(name);
    Ref<ICorvaneBankService> chosen;
    hr = services->Item(&index, chosen.put());
    VariantClear(&index);
    if (FAILED(hr)) {
        Report("the bank has no service named " + WideToUtf8(name) + ": " + Hex(hr), kExitFailed);
        return hr;
    }
    return chosen->QueryInterface(iid, reinterpret_cast<void**>(service.put()));
}

// The payment file extension the host's configuration gives the bank: the
// save dialog appends it to a name without one.
std::string PaymentFileExtension()
{
    Ref<ICorvaneBankConfiguration> configuration;
    if (FAILED(CoCreateInstance(CLSID_BankConfiguration, nullptr, CLSCTX_INPROC_SERVER, IID_ICorvaneBankConfiguration,
                                reinterpret_cast<void**>(configuration.put()))))
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
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        BstrText text;
        if (SUCCEEDED(info->GetDescription(&text.b)))
            description = WideToUtf8(text.str());
        info->Release();
    }
    std::fprintf(stderr, "corvane: %s returned %s%s%s\n", call, Hex(hr).c_str(), description.empty() ? "" : ": ",
                 description.c_str());
}

bool MakeBankRecord(ICorvaneHostControl* host, const Options& options, Ref<ICorvaneBankRecord>& record)
{
    if (!options.haveAccount)
        return true; // the host passes no bank record
    BstrText sort(options.sortCode), account(options.accountNumber);
    return SUCCEEDED(host->NewBankRecord(sort.b, account.b, record.put()));
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

bool ParseLong(const std::string& text, long& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return end && *end == '\0';
}

HRESULT PutText(ICorvanePayment* p, const std::string& column, const std::wstring& value)
{
    BstrText b(value);
    if (column == "PayerBACSReference") return p->put_PayerBACSReference(b.b);
    if (column == "PayerSortCode") return p->put_PayerSortCode(b.b);
    if (column == "PayerAccountNumber") return p->put_PayerAccountNumber(b.b);
    if (column == "PayerAccountName") return p->put_PayerAccountName(b.b);
    if (column == "PayerRollNumber") return p->put_PayerRollNumber(b.b);
    if (column == "PayeeBACSReference") return p->put_PayeeBACSReference(b.b);
    if (column == "PayeeSortCode") return p->put_PayeeSortCode(b.b);
    if (column == "PayeeAccountNumber") return p->put_PayeeAccountNumber(b.b);
    if (column == "PayeeAccountName") return p->put_PayeeAccountName(b.b);
    if (column == "PayeeRollNumber") return p->put_PayeeRollNumber(b.b);
    if (column == "Reference") return p->put_Reference(b.b);
    if (column == "Details") return p->put_Details(b.b);
    if (column == "Currency") return p->put_Currency(b.b);
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
int ReadPayments(const std::string& file, std::vector<PaymentRow>& rows)
{
    std::string text, error;
    if (!ReadFile(file, text, error))
        return Fail("cannot read " + file + ": " + error);
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
                row.hasAmount = true;
            } else if (column == "StatusCode") {
                if (!value.empty() && !ParseLong(value, row.statusCode))
                    return Fail(where + "'" + value + "' is not a whole number");
                row.hasStatusCode = true;
            } else {
                std::wstring wide;
                if (!Utf8ToWide(value, wide))
                    return Fail(where + "the text is not UTF-8");
                row.texts.emplace_back(column, wide);
            }
        }
        rows.push_back(std::move(row));
    }
    return 0;
}

// Builds the host's batch, one payment per row.
bool BuildBatch(ICorvaneHostControl* host, const std::vector<PaymentRow>& rows, Ref<ICorvanePayments>& batch)
{
    if (FAILED(host->NewPayments(batch.put())))
        return false;
    for (const PaymentRow& row : rows) {
        Ref<ICorvanePayment> p;
        if (FAILED(host->AddPayment(batch.p, p.put())))
            return false;
        if (row.hasAmount && FAILED(p->put_Amount(row.amount)))
            return false;
        if (row.hasStatusCode && FAILED(p->put_StatusCode(row.statusCode)))
            return false;
        for (const auto& text : row.texts)
            if (FAILED(PutText(p.p, text.first, text.second)))
                return false;
    }
    return true;
}

} // namespace

bool Utf8ToWide(const std::string& text, std::wstring& wide)
{
    wide.clear();
    if (text.empty())
        return true;
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0)
        return false;
    wide.assign(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return true;
}

std::wstring Utf8ToWide(const std::string& text)
{
    // Invalid sequences become U+FFFD.
    if (text.empty())
        return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

std::string WideToUtf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

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

std::wstring WindowsPath(const std::string& path)
{
    if (path.size() >= 2 && path[1] == ':')
        return Utf8ToWide(path);
    std::string absolute = path;
    if (path.empty() || path[0] != '/') {
        // Relative to the Unix working directory, which Wine shows as the
        // current directory on Z:.
        wchar_t cwd[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, cwd);
        std::wstring w = cwd;
        if (!w.empty() && w.back() != L'\\')
            w += L'\\';
        std::wstring rest = Utf8ToWide(path);
        for (auto& c : rest)
            if (c == L'/')
                c = L'\\';
        return w + rest;
    }
    std::wstring w = L"Z:" + Utf8ToWide(absolute);
    for (auto& c : w)
        if (c == L'/')
            c = L'\\';
    return w;
}

namespace {
// COM, the host's control and the bank record the run is for (none without
// --account). 0, or the exit code after the reason has been printed.
int OpenHost(const ComScope& com, const Options& options, Ref<ICorvaneHostControl>& host,
             Ref<ICorvaneBankRecord>& record)
{
    if (!com.ok())
        return Report("COM cannot start", kExitFailed);
    if (!CreateHost(host))
        return kExitFailed;
    if (!MakeBankRecord(host.p, options, record))
        return Report("the host cannot make a bank record", kExitFailed);
    return 0;
}
} // namespace

int RunPay(const std::string& file, const Options& given)
{
    Options options = given;
    if (!options.out.empty()) {
        // Typed into the save dialog, which takes text in the ANSI code page.
        const std::wstring path = WindowsPath(options.out);
        const int n = WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
        std::string narrow(static_cast<std::size_t>(n > 0 ? n : 1), '\0');
        WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, &narrow[0], n, nullptr, nullptr);
        narrow.resize(std::strlen(narrow.c_str()));
        if (narrow.size() >= MAX_PATH)
            return Fail("--out: the path is longer than the save dialog takes (" + std::to_string(MAX_PATH - 1) +
                        " characters)");
        options.outPath = narrow;
    }
    std::vector<PaymentRow> rows;
    if (int rc = ReadPayments(file, rows))
        return rc;
    const long count = static_cast<long>(rows.size());
    if (!options.iatRows.empty() && *options.iatRows.rbegin() >= count)
        return Fail("--iat " + std::to_string(*options.iatRows.rbegin()) + ": " + file + " holds " +
                    std::to_string(count) + " payments (rows 0 to " + std::to_string(count - 1) + ")");

    ComScope com;
    Ref<ICorvaneHostControl> host;
    Ref<ICorvaneBankRecord> record;
    if (int rc = OpenHost(com, options, host, record))
        return rc;
    Ref<ICorvanePayments> batch;
    if (!BuildBatch(host.p, rows, batch))
        return Report("the host cannot make the payment batch", kExitFailed);

    Ref<ICorvaneBankPaymentService> service;
    HRESULT hr = TakeService(L"Bank Payment Service", IID_ICorvaneBankPaymentService, false, service);
    if (FAILED(hr))
        return kExitFailed;
    std::printf("Payments: %ld from %s\n", count, file.c_str());
    std::fflush(stdout);
    options.extension = PaymentFileExtension();

    std::unique_ptr<Autopilot> pilot;
    if (!options.interactive)
        pilot.reset(new Autopilot(options));
    hr = service->ProcessPayments(batch.p, record.p);
    ReportCallFailure("ProcessPayments", hr);
    if (pilot)
        pilot->Finish();

    long status = 0;
    service->get_Status(&status);
    std::printf("Status: %ld\nResult: %s\n", status, Hex(hr).c_str());
    for (long i = 0; i < count; ++i) {
        Ref<ICorvanePayment> p;
        if (FAILED(batch->Item(i, p.put())))
            continue;
        long code = 0;
        p->get_StatusCode(&code);
        BstrText message;
        service->GetStatusText(code, &message.b);
        const std::string text = WideToUtf8(message.str());
        std::printf("Payment %ld: %ld%s%s\n", i, code, text.empty() ? "" : " ", text.c_str());
    }
    // Outcomes 0 and 1 leave a written file; the autopilot knows its name
    // (with the dialogs driven by a person, only they do).
    if (pilot && (status == 0 || status == 1) && (hr == S_OK || hr == S_FALSE) && !pilot->SavedPath().empty())
        std::printf("File: %s\n", pilot->SavedPath().c_str());
    std::fflush(stdout);
    if (pilot && pilot->Failed())
        return Report("the autopilot could not drive the run as asked; it was cancelled", kExitFailed);
    return hr == S_OK || hr == S_FALSE ? 0 : kExitFailed;
}

int RunStatement(const std::string& file, const Options& options)
{
    {
        File probe(std::fopen(file.c_str(), "rb"));
        if (!probe.f)
            return Fail("cannot read " + file + ": " + std::strerror(errno));
    }
    ComScope com;
    Ref<ICorvaneHostControl> host;
    Ref<ICorvaneBankRecord> record;
    if (int rc = OpenHost(com, options, host, record))
        return rc;
    Ref<ICorvaneBankStatement> statement;
    if (FAILED(host->NewStatement(statement.put())))
        return Report("the host cannot make a statement", kExitFailed);
    // The host's selector hands over the file the user picked: this one.
    BstrText path(WindowsPath(file));
    host->SetStatementChoice(path.b, 0);

    // CSV goes to scripts: nothing but the table and the outcome.
    Ref<ICorvaneBankStatementService> service;
    HRESULT hr = TakeService(L"Bank Reconciliation Service", IID_ICorvaneBankStatementService, options.csv, service);
    if (FAILED(hr))
        return kExitFailed;
    hr = service->ImportStatement(record.p, statement.p);
    ReportCallFailure("ImportStatement", hr);
    long status = 0;
    service->get_Status(&status);

    // The selector labels the file through the component's callback, which
    // recognises statement files by their header.
    long recognised = -1;
    host->get_SelectorCallbackResult(&recognised);
    BstrText label;
    host->get_SelectorDescription(&label.b);
    if (!options.csv)
        std::printf("Statement file: %s (%s)\n", file.c_str(), WideToUtf8(label.str()).c_str());
    if (recognised == 0)
        std::fprintf(stderr, "corvane: %s is not a Bankline statement (its header has neither 14 nor 18 fields)\n",
                     file.c_str());

    long lines = 0;
    statement->get_Count(&lines);
    if (options.csv)
        std::printf("LineNumber,Date,TransactionType,Amount,Reference,Description\n");
    else
        std::printf("%-5s %-10s %-6s %12s  %-18s %s\n", "Line", "Date", "Type", "Amount", "Reference", "Description");
    for (long i = 0; i < lines; ++i) {
        Ref<ICorvaneStatementLine> line;
        if (FAILED(statement->Item(i, line.put())))
            continue;
        VARIANT number;
        VariantInit(&number);
        line->get_LineNumber(&number);
        VARIANT asLong;
        VariantInit(&asLong);
        VariantChangeType(&asLong, &number, 0, VT_I4);
        DATE date = 0;
        line->get_Date(&date);
        SYSTEMTIME st = {};
        VariantTimeToSystemTime(date, &st);
        char day[16];
        std::snprintf(day, sizeof day, "%04d-%02d-%02d", st.wYear, st.wMonth, st.wDay);
        long type = 0;
        line->get_TransactionType(&type);
        double amount = 0;
        line->get_Amount(&amount);
        BstrText reference, description;
        line->get_Reference(&reference.b);
        line->get_Description(&description.b);
        const std::string ref = WideToUtf8(reference.str()), desc = WideToUtf8(description.str());
        if (options.csv)
            std::printf("%ld,%s,%ld,%.2f,%s,%s\n", V_I4(&asLong), day, type, amount, CsvField(ref).c_str(),
                        CsvField(desc).c_str());
        else
            std::printf("%-5ld %-10s %-6s %12.2f  %-18s %s\n", V_I4(&asLong), day, type == 0 ? "debit" : "credit",
                        amount, ref.c_str(), desc.c_str());
        VariantClear(&number);
        VariantClear(&asLong);
    }
    std::printf("Status: %ld\nResult: %s\n", status, Hex(hr).c_str());
    std::fflush(stdout);
    return hr == S_OK || hr == S_FALSE ? 0 : kExitFailed;
}

} // namespace corvane
