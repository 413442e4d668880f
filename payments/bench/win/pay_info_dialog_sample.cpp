// Opens the payment options dialog on a small sample batch and holds it
// open for a while, in a chosen state, so that it can be photographed
// (scripts/screenshot-dialog). Prints READY once the dialog shows that state.
//
//   pay_info_dialog_sample [--host PATH] [--state opened|marked|bulk] [--hold MS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "payments/bench/win/dialog_driver.h"
#include "payments/bench/win/sample_host.h"
#include "payments/win/host_payments.h"
#include "payments/win/pay_info_dialog.h"
#include "resources/resource.h"

int main(int argc, char** argv)
{
    const char* hostPath = "CorvaneHost.dll";
    std::string state = "opened";
    DWORD hold = 3000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--host"))
            hostPath = argv[i + 1];
        else if (!std::strcmp(argv[i], "--state"))
            state = argv[i + 1];
        else if (!std::strcmp(argv[i], "--hold"))
            hold = static_cast<DWORD>(std::atol(argv[i + 1]));
    }
    if (FAILED(CoInitialize(nullptr)))
        return 2;
    qf::sample::FixTheClock();
    int status = 0;
    {
        qf::ComPtr<ICorvaneHostControl> host = qf::sample::LoadHostControl(hostPath);
        qf::ComPtr<ICorvanePayments> payments = qf::sample::MakeSampleBatch(host.Get(), 8, true);
        qf::HostPaymentBatch batch(payments.Get());
        qf::CPayInfoDialog dialog(batch, "MONTHLY SUPPLIERS", "JUNE RUN");
        const qf::sample::DriveResult result = qf::sample::Drive(
            [&] { return dialog.DoModal(nullptr); },
            [&](qf::sample::DialogDriver& d) {
                HWND dlg = d.WaitForWindow("Corvane RBS/NatWest Internet Bankline Payment Processing");
                if (state == "marked") {
                    d.Click(dlg, IDC_IAT_MARKING);
                    d.SelectListRows(dlg, IDC_PAYMENT_LIST, {3, 4});
                    d.Click(dlg, IDC_SET_IAT);
                    d.SelectListRows(dlg, IDC_PAYMENT_LIST, {4});
                } else if (state == "bulk") {
                    d.Click(dlg, IDC_FORMAT_BULK_LIST);
                }
                std::printf("READY\n");
                std::fflush(stdout);
                Sleep(hold);
                d.ClickNoWait(dlg, IDCANCEL);
                if (state != "opened")
                    d.AnswerMessageBox(IDYES);
            },
            hold + 30000);
        if (!result.failure.empty()) {
            std::fprintf(stderr, "pay_info_dialog_sample: %s\n", result.failure.c_str());
            status = 1;
        }
    }
    CoUninitialize();
    return status;
}
