// Throughput of the statement import run as the host sees it: writes a
// 100,000-line statement in the 18-column layout (quoted fields, CR LF, as
// the bank exports it), every line the host's account, and has the
// statement service of Quillfen.dll import it through COM into the host's
// statement, a few times over: once without the journal of imported lines
// (RememberImports=Off) and once with a journal that already holds 100,000
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

// Imports path kPasses times; before each pass, when older is given, the
// journal is started afresh from an import of older (not timed).
int Run(const std::string& path, const std::string* older, Figures& figures)
{
    ComPtr<ICorvaneHostControl> host;
    HRESULT hr = CoCreateInstance(CLSID_HostControl, nullptr, CLSCTX_INPROC_SERVER, IID_ICorvaneHostControl,
                                  host.PutVoid());
    if (FAILED(hr))
        return Fail("CorvaneHost.dll is not registered in this prefix: run the Wine tests once", hr);
    ComPtr<ICorvaneBankStatementService> service;
    hr = CoCreateInstance(CLSID_BankStatementService, nullptr, CLSCTX_INPROC_SERVER,
                          IID_ICorvaneBankStatementService, service.PutVoid());
    if (FAILED(hr))
        return Fail("Quillfen.dll is not registered in this prefix: run the Wine tests once", hr);

    host->Reset();
    Bstr sortCode(L"60-12-34"), accountNumber(L"12345678");
    ComPtr<ICorvaneBankRecord> bank;
    if (FAILED(hr = host->NewBankRecord(sortCode.Get(), accountNumber.Get(), bank.Put())))
        return Fail("no bank record", hr);
    auto import = [&](const std::string& file, double* seconds) {
        const std::wstring wide(file.begin(), file.end());
        Bstr choice(wide.c_str());
        host->SetStatementChoice(choice.Get(), 0);
        ComPtr<ICorvaneBankStatement> statement;
        if (FAILED(hr = host->NewStatement(statement.Put())))
            return Fail("no statement", hr);
        const auto start = std::chrono::steady_clock::now();
        hr = service->ImportStatement(bank.Get(), statement.Get());
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
    };

    std::vector<double> seconds;
    for (int pass = 0; pass < kPasses; ++pass) {
        DeleteFileA(kJournal.c_str());
        if (older && import(*older, nullptr))
            return 1;
        double elapsed = 0;
        if (import(path, &elapsed))
            return 1;
        seconds.push_back(elapsed);
        std::printf("  pass %d: %.3f s\n", pass + 1, elapsed);
    }
    DeleteFileA(kJournal.c_str());
    std::sort(seconds.begin(), seconds.end());
    figures.best = seconds.front();
    figures.median = seconds[seconds.size() / 2];
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
    std::printf("without a journal (RememberImports=Off):\n");
    RememberImports(false);
    int rc = Run(path, nullptr, without);
    RememberImports(true);
    if (rc == 0) {
        std::printf("with a journal of %ld entries:\n", kLines);
        rc = Run(path, &older, with);
    }
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
