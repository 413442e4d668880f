// The payment run through the real DLL onto a file system that is nearly
// full: the file's first buffers are stored, its last one is not. Started by
// full-disk-run, which mounts the small file system, fills it and names its
// folder in QF_FULL_DISK_FOLDER (a Windows path).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "host/automation/ui_automation.h"
#include "tests/support/com_test.h"

using namespace qf;
using namespace qf::test;
using namespace corvane::automation;

namespace {

const char kOptions[] = "Corvane RBS/NatWest Internet Bankline Payment Processing";
const int kStandard = 2013;

ULONGLONG FreeBytes(const std::string& folder)
{
    ULARGE_INTEGER available = {}, total = {}, free = {};
    GetDiskFreeSpaceExA((folder + "\\").c_str(), &available, &total, &free);
    return available.QuadPart;
}

class FullDiskRun : public ComTest {
protected:
    struct Outcome {
        HRESULT hr = E_FAIL;
        long status = -1;
        std::vector<std::string> boxes;
    };

    Outcome Run(ICorvanePayments* batch, const std::string& path)
    {
        Bstr n(L"payments"), e(L"csv");
        const std::string folder = path.substr(0, path.rfind('\\'));
        Bstr d(std::wstring(folder.begin(), folder.end()).c_str());
        host->SetPaymentFileSettings(n.Get(), e.Get(), d.Get());
        auto service = CreateComponent<ICorvaneBankPaymentService>(CLSID_BankPaymentService,
                                                                   IID_ICorvaneBankPaymentService);
        Outcome out;
        std::atomic<bool> done{false};
        const ScenarioResult r = RunScenario(
            [&] {
                out.hr = service->ProcessPayments(batch, nullptr);
                done = true;
                return INT_PTR(0);
            },
            [&](Driver& drv) {
                HWND dialog = drv.WaitForWindow(kOptions);
                drv.Click(dialog, kStandard);
                drv.ClickNoWait(dialog, IDOK);
                drv.WaitUntilClosed(dialog);
                if (!drv.Save(drv.WaitForSaveDialog(), path.c_str(), IDYES).closed)
                    throw AutomationError("the save dialog did not take " + path);
                // Whatever the run shows afterwards is acknowledged and noted.
                while (!done) {
                    for (HWND w : drv.Windows())
                        if (IsMessageBox(w)) {
                            const MessageBoxInfo box = drv.WaitForMessageBox();
                            out.boxes.push_back(box.caption);
                            drv.Answer(box, box.HasButton(IDNO) ? IDNO : IDOK);
                        }
                    Sleep(10);
                }
            },
            30000);
        EXPECT_EQ(r.failure, "");
        service->get_Status(&out.status);
        return out;
    }
};

} // namespace

TEST_F(FullDiskRun, APaymentFileThatDoesNotFitIsNotReportedAndNotLeftBehind)
{
    const char* full = std::getenv("QF_FULL_DISK_FOLDER");
    ASSERT_TRUE(full && full[0]) << "QF_FULL_DISK_FOLDER names the nearly full folder";
    const std::string fullFolder = full;
    // The same payment runs twice: not a payment written before here.
    const PaidCheckOff paidCheck;
    const ULONGLONG room = FreeBytes(fullFolder);
    ASSERT_GT(room, 0u) << "the first buffers must fit";

    // The same batch onto an ordinary disk: the file it makes there is
    // larger than the room left, by less than one buffer of 4096 bytes.
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string roomy = std::string(temp) + "quillfen-full-disk-control.csv";
    auto one = MakePayments(1);
    Outcome control = Run(one.Get(), roomy);
    ASSERT_EQ(control.status, 0);
    const std::size_t line = ReadAll(roomy).size();
    ASSERT_GT(line, 0u);
    const long payments = static_cast<long>((room + 2048) / line + 1);
    auto batch = MakePayments(payments);
    DeleteFileA(roomy.c_str());
    control = Run(batch.Get(), roomy);
    ASSERT_EQ(control.status, 0);
    const std::size_t size = ReadAll(roomy).size();
    DeleteFileA(roomy.c_str());
    ASSERT_GT(size, room);
    ASSERT_LT(size, room + 4096);
    std::printf("file of %u bytes, %u bytes free\n", static_cast<unsigned>(size), static_cast<unsigned>(room));

    const std::string path = fullFolder + "\\payments.csv";
    const Outcome out = Run(batch.Get(), path);
    EXPECT_EQ(out.hr, S_OK);
    EXPECT_EQ(out.status, 2) << "a payment file that could not be stored is not written";
    EXPECT_FALSE(Exists(path)) << "nothing truncated stays behind";
    EXPECT_TRUE(out.boxes.empty()) << out.boxes.front();
    EXPECT_EQ(FreeBytes(fullFolder), room) << "what the run had stored was given back";
}
