// Throughput of the statement import run as the host sees it: writes a
// 100,000-line statement in the 18-column layout (quoted fields, CR LF, as
// the bank exports it), every line the host's account, and has the
// statement service of Quillfen.dll import it through COM into the host's
// statement, a few times over, in turn without the journal of imported
// lines (RememberImports=Off) and with a journal that already holds 100,000
// other lines of the account, which the import then grows to 200,000.
// Prints each pass, the best and the median of both, and what the journal
// adds. It registers nothing: run it in a prefix where both servers are
// registered, e.g. the tests' prefix after a CTest run:
//   WINEPREFIX=$PWD/build/win32/wineprefix cmake/wine-run
//   build/win32/statements/bench/statement_import_bench.exe
// (one command line).
#include "statements/bench/statement_generator.h"

#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "CorvaneHostTest.h"
#include "com/host_interfaces.h"
#include "com/com_holders.h"

using namespace qf;

namespace {

constexpr long kLines = 100000;
constexpr int kPasses = 5;

// BANKSERV.INI of the prefix and the account's journal in the user's
// application data.
std::string FolderOf(int csidl)
{
    char folder[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder);
    return folder;
}
const std::string kIni = FolderOf(CSIDL_COMMON_APPDATA) + "\\CORVANE\\Corvane EBanking\\BANKSERV.INI";
const std::string kJournal = FolderOf(CSIDL_APPDATA) + "\\Quillfen\\Imported\\601234-12345678.journal";

void RememberImports(bool on)
{
    WritePrivateProfileStringA("Statement Import", "RememberImports", on ? nullptr : "Off", kIni.c_str());
}

int Fail(const char* what, HRESULT hr)
{
    std::fprintf(stderr, "%s (0x%08lX)\n", what, static_cast<unsigned long>(hr));
    return 1;
}

struct Figures {
    double best = 0, median = 0;
};

Figures Summary(std::vector<double> seconds)
{
    std::sort(seconds.begin(), seconds.end());
    return {seconds.front(), seconds[seconds.size() / 2]};
}

// The host's bank record and the statement service, made once.
class Importer {
public:
    HRESULT Start()
    {
        HRESULT hr = CoCreateInstance(CLSID_HostControl, nullptr, CLSCTX_INPROC_SERVER, IID_ICorvaneHostControl,
                                      m_host.PutVoid());
        if (FAILED(hr))
            return Fail("CorvaneHost.dll is not registered in this prefix: run the Wine tests once", hr), hr;
        hr = CoCreateInstance(CLSID_BankStatementService, nullptr, CLSCTX_INPROC_SERVER,
                              IID_ICorvaneBankStatementService, m_service.PutVoid());
        if (FAILED(hr))
            return Fail("Quillfen.dll is not registered in this prefix: run the Wine tests once", hr), hr;
        m_host->Reset();
        Bstr sortCode(L"60-12-34"), accountNumber(L"12345678");
        if (FAILED(hr = m_host->NewBankRecord(sortCode.Get(), accountNumber.Get(), m_bank.Put())))
            return Fail("no bank record", hr), hr;
        return S_OK;
    }

    // Imports file into a new statement; seconds, when given, receives how
    // long the import took.
    int Import(const std::string& file, double* seconds)
    {
        const std::wstring wide(file.begin(), file.end());
        Bstr choice(wide.c_str());
        m_host->SetStatementChoice(choice.Get(), 0);
        ComPtr<ICorvaneBankStatement> statement;
        HRESULT hr = m_host->NewStatement(statement.Put());
        if (FAILED(hr))
            return Fail("no statement", hr);
        const auto start = std::chrono::steady_clock::now();
        hr = m_service->ImportStatement(m_bank.Get(), statement.Get());
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        long count = 0;
        statement->get_Count(&count);
        if (hr != S_OK)
            return Fail("ImportStatement failed", hr);
        if (count != kLines) {
            std::fprintf(stderr, "imported %ld lines of %ld\n", count, kLines);
            return 1;
        }
        if (seconds)
            *seconds = elapsed.count();
        return 0;
    }

private:
    ComPtr<ICorvaneHostControl> m_host;
    ComPtr<ICorvaneBankStatementService> m_service;
    ComPtr<ICorvaneBankRecord> m_bank;
};

// Imports path kPasses times without a journal and as often with one that
// an import of older has just started afresh (not timed), in turn, so that
// whatever else the machine does falls on both alike.
int Run(const std::string& path, const std::string& older, Figures& without, Figures& with)
{
    Importer importer;
    if (FAILED(importer.Start()))
        return 1;
    std::vector<double> off, on;
    for (int pass = 0; pass < kPasses; ++pass) {
        double a = 0, b = 0;
        RememberImports(false);
        DeleteFileA(kJournal.c_str());
        if (importer.Import(path, &a))
            return 1;
        RememberImports(true);
        if (importer.Import(older, nullptr) || importer.Import(path, &b))
            return 1;
        DeleteFileA(kJournal.c_str());
        off.push_back(a);
        on.push_back(b);
        std::printf("  pass %d: %.3f s without, %.3f s with a journal\n", pass + 1, a, b);
    }
    without = Summary(off);
    with = Summary(on);
    return 0;
}

void Print(const char* what, const Figures& f, double megabytes)
{
    std::printf("%s: best %.3f s (%.1f MB/s, %.0f lines/s), median %.3f s\n", what, f.best, megabytes / f.best,
                kLines / f.best, f.median);
}

bool WriteFile(const std::string& path, const std::string& text)
{
    File f(std::fopen(path.c_str(), "wb"));
    return f && std::fwrite(text.data(), 1, text.size(), f.Get()) == text.size();
}

} // namespace

int main()
{
    char dir[MAX_PATH] = {};
    if (!GetTempPathA(MAX_PATH, dir))
        return Fail("no temporary folder", HRESULT_FROM_WIN32(GetLastError()));
    // 200,000 transactions of the account within two years: the first half
    // fills the journal, the second is the statement timed.
    const std::string all = bench::GenerateStatement(2 * kLines, true, true);
    const std::size_t header = all.find("\r\n") + 2;
    std::size_t half = header;
    for (long i = 0; i < kLines; ++i)
        half = all.find("\r\n", half) + 2;
    const std::string path = std::string(dir) + "qf_statement_import_bench.csv";
    const std::string older = std::string(dir) + "qf_statement_import_bench_older.csv";
    const std::string text = all.substr(0, header) + all.substr(half);
    // Random transactions repeat now and then, as real ones do: the older
    // half gets narratives of its own, so that no line of the statement
    // timed was imported before and the run asks no question.
    std::string first = all.substr(0, half);
    for (std::size_t at = header; (at = first.find("\"PAYMENT REF ", at)) != std::string::npos; at += 14)
        first.replace(at, 13, "\"EARLIER REF ");
    if (!WriteFile(path, text) || !WriteFile(older, first)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    const double megabytes = static_cast<double>(text.size()) / 1e6;
    std::printf("statement: %ld lines, 18 columns, %.2f MB (%s)\n", kLines, megabytes, path.c_str());

    if (FAILED(CoInitialize(nullptr)))
        return 1;
    Figures without, with;
    std::printf("without a journal (RememberImports=Off), and with a journal of %ld entries:\n", kLines);
    const int rc = Run(path, older, without, with);
    RememberImports(true);
    CoUninitialize();
    DeleteFileA(path.c_str());
    DeleteFileA(older.c_str());
    if (rc)
        return rc;
    Print("import without a journal", without, megabytes);
    Print("import with a journal   ", with, megabytes);
    std::printf("the journal adds %.1f %% (best passes), %.1f %% (medians)\n", 100.0 * (with.best / without.best - 1),
                100.0 * (with.median / without.median - 1));
    return 0;
}
