// How fast the payment options dialog opens on the largest batch a payment
// run accepts (4000 payments), and how long Set takes over all 4000 rows
// selected (it writes 4000 marks on the host and refills the list). Prints
// figures; never a test.
//
//   pay_info_dialog_bench [path of CorvaneHost.dll] [runs]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "payments/bench/win/dialog_driver.h"
#include "payments/bench/win/sample_host.h"
#include "payments/win/host_payments.h"
#include "payments/win/pay_info_dialog.h"
#include "resources/resource.h"

namespace {

constexpr long kPayments = 4000;
const char* const kCaption = "Corvane RBS/NatWest Internet Bankline Payment Processing";

LARGE_INTEGER g_frequency;
LONGLONG g_shown = 0;

LONGLONG Now()
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

double Ms(LONGLONG from, LONGLONG to) { return 1000.0 * static_cast<double>(to - from) / static_cast<double>(g_frequency.QuadPart); }

// The dialog counts as shown when the system activates it, right after
// WM_INITDIALOG (and with it the list fill) has returned.
LRESULT CALLBACK WatchActivation(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && !g_shown) {
        char caption[128] = {};
        GetWindowTextA(reinterpret_cast<HWND>(wParam), caption, sizeof caption);
        if (lstrcmpA(caption, kCaption) == 0)
            g_shown = Now();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const char* hostPath = argc > 1 ? argv[1] : "CorvaneHost.dll";
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    QueryPerformanceFrequency(&g_frequency);
    if (FAILED(CoInitialize(nullptr)))
        return 2;
    qf::sample::FixTheClock();
    {
        qf::ComPtr<ICorvaneHostControl> host = qf::sample::LoadHostControl(hostPath);
        qf::ComPtr<ICorvanePayments> payments = qf::sample::MakeSampleBatch(host.Get(), kPayments, false);

        std::vector<double> open, ready, set;
        std::printf("payment options dialog, %ld payments, %d runs\n", kPayments, runs);
        for (int run = 0; run < runs; ++run) {
            qf::HostPaymentBatch batch(payments.Get());
            qf::CPayInfoDialog dialog(batch, "TEMPLATE", "REFERENCE");
            HHOOK hook = SetWindowsHookExA(WH_CBT, WatchActivation, nullptr, GetCurrentThreadId());
            g_shown = 0;
            LONGLONG readyAt = 0, setFrom = 0, setTo = 0;
            int marked = 0;
            const LONGLONG start = Now();
            const qf::sample::DriveResult result = qf::sample::Drive(
                [&] { return dialog.DoModal(nullptr); },
                [&](qf::sample::DialogDriver& d) {
                    HWND dlg = d.WaitForWindow(kCaption);
                    d.Send(dlg, WM_NULL, 0, 0); // answered: the dialog's loop runs
                    readyAt = Now();
                    d.Click(dlg, IDC_IAT_MARKING);
                    d.SelectAllListRows(dlg, IDC_PAYMENT_LIST);
                    setFrom = Now();
                    d.Click(dlg, IDC_SET_IAT);
                    setTo = Now();
                    for (int row : {0, static_cast<int>(kPayments) / 2, static_cast<int>(kPayments) - 1})
                        marked += d.ListCell(dlg, IDC_PAYMENT_LIST, row, 6) == "Yes";
                    d.ClickNoWait(dlg, IDCANCEL);
                    d.AnswerMessageBox(IDYES);
                },
                60000);
            if (hook)
                UnhookWindowsHookEx(hook);
            if (!result.failure.empty() || !g_shown || marked != 3) {
                std::printf("run %d failed: %s\n", run + 1, result.failure.c_str());
                return 1;
            }
            open.push_back(Ms(start, g_shown));
            ready.push_back(Ms(start, readyAt));
            set.push_back(Ms(setFrom, setTo));
            std::printf("run %d: open %.1f ms (answering %.1f ms), Set over %ld rows %.1f ms\n", run + 1, open.back(),
                        ready.back(), kPayments, set.back());
        }
        std::printf("median: open %.1f ms, answering %.1f ms, Set %.1f ms\n", Median(open), Median(ready), Median(set));
    }
    CoUninitialize();
    return 0;
}
