// Throughput of the statement import run as the host sees it: writes a
// 100,000-line statement in the 18-column layout (quoted fields, CR LF, as
// the bank exports it), every line the host's account, and has the
// statement service of Quillfen.dll import it through COM into the host's
// statement, a few times over. Prints lines/s and MB/s of each pass, the
// best and the median. It registers nothing: run it in a prefix where both
// servers are registered, e.g. the tests' prefix after a CTest run:
//   WINEPREFIX=$PWD/build/win32/wineprefix cmake/wine-run
//   build/win32/statements/bench/statement_import_bench.exe
// (one command line).
#include "statements/bench/statement_generator.h"

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

std::string GenerateStatement() { return bench::GenerateStatement(kLines, true); }

int Fail(const char* what, HRESULT hr)
{
    std::fprintf(stderr, "%s (0x%08lX)\n", what, static_cast<unsigned long>(hr));
    return 1;
}

int Run(const std::string& path, double megabytes)
{
    ComPtr<ICorvaneHostControl> host;
    HRESULT hr = CoCreateInstance(CLSID_HostControl, nullptr, CLSCTX_INPROC_SERVER, IID_ICorvaneHostControl,
                                  host.PutVoid());
    if (FAILED(hr))
        return Fail("CorvaneHost.dll is not registered in this prefix: run the win32 tests once", hr);
    ComPtr<ICorvaneBankStatementService> service;
    hr = CoCreateInstance(CLSID_BankStatementService, nullptr, CLSCTX_INPROC_SERVER,
                          IID_ICorvaneBankStatementService, service.PutVoid());
    if (FAILED(hr))
        return Fail("Quillfen.dll is not registered in this prefix: run the win32 tests once", hr);

    host->Reset();
    const std::wstring widePath(path.begin(), path.end());
    Bstr choice(widePath.c_str()), sortCode(L"60-12-34"), accountNumber(L"12345678");
    host->SetStatementChoice(choice.Get(), 0);
    ComPtr<ICorvaneBankRecord> bank;
    if (FAILED(hr = host->NewBankRecord(sortCode.Get(), accountNumber.Get(), bank.Put())))
        return Fail("no bank record", hr);

    std::vector<double> seconds;
    for (int pass = 0; pass < kPasses; ++pass) {
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
        seconds.push_back(elapsed.count());
        std::printf("pass %d: %.3f s\n", pass + 1, elapsed.count());
    }

    std::vector<double> sorted = seconds;
    std::sort(sorted.begin(), sorted.end());
    const double best = sorted.front();
    const double median = sorted[sorted.size() / 2];
    std::printf("import run, best pass:   %.3f s, %.1f MB/s, %.0f lines/s\n", best, megabytes / best, kLines / best);
    std::printf("import run, median pass: %.3f s, %.1f MB/s, %.0f lines/s\n", median, megabytes / median,
                kLines / median);
    return 0;
}

} // namespace

int main()
{
    char dir[MAX_PATH] = {};
    if (!GetTempPathA(MAX_PATH, dir))
        return Fail("no temporary folder", HRESULT_FROM_WIN32(GetLastError()));
    const std::string path = std::string(dir) + "qf_statement_import_bench.csv";
    const std::string text = GenerateStatement();
    {
        File f(std::fopen(path.c_str(), "wb"));
        if (!f || std::fwrite(text.data(), 1, text.size(), f.Get()) != text.size()) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    const double megabytes = static_cast<double>(text.size()) / 1e6;
    std::printf("statement: %ld lines, 18 columns, %.2f MB (%s)\n", kLines, megabytes, path.c_str());

    if (FAILED(CoInitialize(nullptr)))
        return 1;
    const int rc = Run(path, megabytes);
    CoUninitialize();
    DeleteFileA(path.c_str());
    return rc;
}
