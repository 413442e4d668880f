// The payment file is either stored completely or not left behind at all.
// The component's library is linked in, so the file seam can make a write,
// a flush or a close fail without a full disk; the dialogs are the real
// ones, driven by the shared automation.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "host/automation/ui_automation.h"
#include "objects/services.h"
#include "payments/win/payment_run.h"
#include "platform/platform.h"
#include "platform/win/win32_services.h"
#include "tests/support/com_test.h"
#include "text/file_holder.h"

using namespace qf;
using namespace qf::test;
using namespace corvane::automation;

namespace {

const char kOptions[] = "Corvane RBS/NatWest Internet Bankline Payment Processing";
enum Layout { Standard = 2013, AdHocBulk = 2018 };

FileStep g_failing = FileStep::Write;
bool FailOneStep(FileStep step) { return step == g_failing; }

std::string g_debug;
void CaptureDebug(const char* text) { g_debug += text; }

std::vector<std::string> g_boxes;
int CaptureBox(HWND, const char*, const char* caption, UINT)
{
    g_boxes.push_back(caption);
    return IDNO;
}

bool g_elevated = true;
bool Elevated() { return g_elevated; }

class PaymentFileTest : public ComTest {
protected:
    void SetUp() override
    {
        ComTest::SetUp();
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "quillfen-file-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder.c_str(), nullptr);
        paidCheck.emplace(folder);
        Bstr n(L"payments"), e(L"csv"), d(std::wstring(folder.begin(), folder.end()).c_str());
        host->SetPaymentFileSettings(n.Get(), e.Get(), d.Get());
        ASSERT_EQ(ObjectRoot::Create<CBankPaymentService>(nullptr, IID_ICorvaneBankPaymentService, service.PutVoid()),
                  S_OK);
        g_debug.clear();
        g_boxes.clear();
        g_elevated = true;
        previousSink = platform::SetDebugSink(CaptureDebug);
        previousBox = platform::SetMessageBox(CaptureBox);
        previousProbe = platform::SetElevationProbe(Elevated);
    }
    void TearDown() override
    {
        SetFileFault(nullptr);
        platform::SetDebugSink(previousSink);
        platform::SetMessageBox(previousBox);
        platform::SetElevationProbe(previousProbe);
        service.Reset();
        // The runs stored empty texts under the bare keys: leave no trace.
        char common[MAX_PATH];
        SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common);
        const std::string ini = std::string(common) + "\\CORVANE\\Corvane EBanking\\BANKSERV.INI";
        for (const char* key : {"RBSBanklineTemplate", "RBSBanklineBenRef"})
            WritePrivateProfileStringA("MIGRATED", key, nullptr, ini.c_str());
        paidCheck.reset();
        for (const char* name : {"\\pay.csv", "\\123456-12345678.paid", "\\123456-12345678.paid.lock"})
            DeleteFileA((folder + name).c_str());
        RemoveDirectoryA(folder.c_str());
        ComTest::TearDown();
    }

    long Status()
    {
        long status = -1;
        service->get_Status(&status);
        return status;
    }

    // Runs the payment run on batch, confirms layout and saves as path.
    HRESULT Run(ICorvanePayments* batch, Layout layout, const std::string& path)
    {
        HRESULT hr = E_FAIL;
        const ScenarioResult r = RunScenario(
            [&] {
                hr = service->ProcessPayments(batch, nullptr);
                return INT_PTR(0);
            },
            [&](Driver& d) {
                HWND dialog = d.WaitForWindow(kOptions);
                d.Click(dialog, layout);
                if (layout == AdHocBulk)
                    d.SetText(dialog, 2017, "REF");
                d.ClickNoWait(dialog, IDOK);
                // A folder that does not exist is taken the way a user who
                // typed the name would have it.
                d.Save(d.WaitForSaveDialog(), path.c_str(), IDYES);
            },
            20000);
        EXPECT_EQ(r.failure, "");
        return hr;
    }

    // Three payments, the second of which fails its payee sort code check.
    ComPtr<ICorvanePayments> BatchWithAFailedPayment()
    {
        ComPtr<ICorvanePayments> batch = MakePayments(3);
        ComPtr<ICorvanePayment> second;
        batch->Item(1, second.Put());
        Bstr bad(L"65-43-2");
        second->put_PayeeSortCode(bad.Get());
        return batch;
    }

    std::string folder;
    std::optional<PaidCheckOff> paidCheck;
    ComPtr<ICorvaneBankPaymentService> service;
    platform::DebugSinkFn previousSink = nullptr;
    platform::MessageBoxFn previousBox = nullptr;
    platform::ElevationFn previousProbe = nullptr;
};

} // namespace

TEST_F(PaymentFileTest, AWriteAFlushOrACloseThatFailsLeavesNoFile)
{
    const std::string path = folder + "\\pay.csv";
    auto batch = BatchWithAFailedPayment();
    // Without a fault the file is written and the failed payment reported.
    EXPECT_EQ(Run(batch.Get(), Standard, path), S_FALSE);
    EXPECT_EQ(Status(), 1);
    const std::string written = ReadAll(path);
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 3);

    const struct {
        FileStep step;
        const char* name;
    } faults[] = {{FileStep::Write, "write"}, {FileStep::Flush, "flush"}, {FileStep::Close, "close"}};
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.name);
        service->put_Status(0);
        g_failing = fault.step;
        SetFileFault(FailOneStep);
        // A file that cannot be stored ends the run the same way whether or
        // not payments failed their checks.
        EXPECT_EQ(Run(batch.Get(), Standard, path), S_OK);
        EXPECT_EQ(Status(), 2);
        EXPECT_FALSE(Exists(path)) << "an older file of that name is gone as well: it was overwritten";
        SetFileFault(nullptr);
        ComPtr<ICorvanePayment> second;
        long code = -1;
        batch->Item(1, second.Put());
        second->get_StatusCode(&code);
        EXPECT_EQ(code, 28) << "every payment still carries its own code";
    }
    EXPECT_EQ(g_debug, "") << "every removal succeeded";
    EXPECT_TRUE(g_boxes.empty());

    // A bulk run whose header is written but not stored.
    service->put_Status(0);
    g_failing = FileStep::Flush;
    SetFileFault(FailOneStep);
    auto good = MakePayments(2);
    EXPECT_EQ(Run(good.Get(), AdHocBulk, path), S_OK);
    EXPECT_EQ(Status(), 2);
    EXPECT_FALSE(Exists(path));
}

TEST_F(PaymentFileTest, TheVirtualStoreFileIsRemovedWithoutANotice)
{
    const std::string chosenFolder = "C:\\quillfen-missing-file-" + std::to_string(GetCurrentProcessId());
    std::string store;
    ASSERT_TRUE(MakeVirtualStoreTwin(chosenFolder, store));
    const std::string neighbour = store + "\\other.csv";
    std::ofstream(neighbour, std::ios::binary) << "not ours\r\n";
    g_elevated = false;
    auto batch = MakePayments(2);

    // Stored: the file is in the VirtualStore and the notice names it.
    EXPECT_EQ(Run(batch.Get(), Standard, chosenFolder + "\\pay.csv"), S_OK);
    if (!kProcessIsVirtualised) {
        // Never redirected: no file, no notice, the neighbour untouched.
        EXPECT_EQ(Status(), 2);
        EXPECT_FALSE(Exists(store + "\\pay.csv"));
        EXPECT_TRUE(g_boxes.empty());
        EXPECT_EQ(ReadAll(neighbour), "not ours\r\n");
        DeleteFileA(neighbour.c_str());
        RemoveDirectoryA(store.c_str());
        return;
    }
    EXPECT_EQ(Status(), 0);
    EXPECT_TRUE(Exists(store + "\\pay.csv"));
    EXPECT_EQ(g_boxes, std::vector<std::string>{"Windows Redirect"});

    // Not stored: that file is removed, nothing else, and no notice comes.
    g_boxes.clear();
    g_failing = FileStep::Flush;
    SetFileFault(FailOneStep);
    EXPECT_EQ(Run(batch.Get(), Standard, chosenFolder + "\\pay.csv"), S_OK);
    EXPECT_EQ(Status(), 2);
    EXPECT_FALSE(Exists(store + "\\pay.csv"));
    EXPECT_EQ(ReadAll(neighbour), "not ours\r\n");
    EXPECT_TRUE(g_boxes.empty());
    EXPECT_EQ(g_debug, "");

    DeleteFileA(neighbour.c_str());
    RemoveDirectoryA(store.c_str());
}

TEST_F(PaymentFileTest, AFileThatCannotBeRemovedIsNamedOnTheDebugOutput)
{
    const std::string path = folder + "\\pay.csv";
    std::ofstream(path, std::ios::binary) << "old\r\n";
    // Another program holds the file open without letting it be deleted.
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    g_failing = FileStep::Write;
    SetFileFault(FailOneStep);
    auto batch = MakePayments(1);
    EXPECT_EQ(Run(batch.Get(), Standard, path), S_OK);
    EXPECT_EQ(Status(), 2) << "the file is still no payment file";
    EXPECT_NE(g_debug.find(path), std::string::npos) << g_debug;
    EXPECT_NE(g_debug.find("could not be removed"), std::string::npos) << g_debug;
    EXPECT_TRUE(g_boxes.empty());
    CloseHandle(held);
}

TEST_F(PaymentFileTest, OnlyADiskFileThatWasOpenedIsRemoved)
{
    // A disk file: removed, quietly.
    const std::string path = folder + "\\pay.csv";
    {
        detail::PaymentFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CString(), true));
        EXPECT_TRUE(detail::IsDiskFile(file.Get()));
        std::fputs("partial", file.Get());
        file.Remove();
        EXPECT_FALSE(Exists(path));
    }
    EXPECT_EQ(g_debug, "");

    // A pipe that the user named is no file of ours: left alone, and said so.
    const char pipeName[] = "\\\\.\\pipe\\quillfen-payment-file-test";
    HANDLE pipe = CreateNamedPipeA(pipeName, PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 4096, 4096, 0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    {
        detail::PaymentFile file;
        ASSERT_TRUE(file.Open(pipeName, CString(), true));
        EXPECT_FALSE(detail::IsDiskFile(file.Get()));
        file.Remove();
    }
    EXPECT_NE(g_debug.find(pipeName), std::string::npos) << g_debug;
    EXPECT_NE(g_debug.find("is not a disk file"), std::string::npos) << g_debug;
    CloseHandle(pipe);

    // Left by an exception while open: the destructor removes the file.
    g_debug.clear();
    {
        detail::PaymentFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CString(), true));
        std::fputs("partial", file.Get());
    }
    EXPECT_FALSE(Exists(path));
    // Stored: the file stays.
    {
        detail::PaymentFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CString(), true));
        std::fputs("complete\r\n", file.Get());
        EXPECT_TRUE(file.Store());
    }
    EXPECT_EQ(ReadAll(path), "complete\r\n");
    EXPECT_EQ(g_debug, "");
}
