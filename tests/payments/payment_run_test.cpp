// The payment run end to end through the real DLL: the host's configuration
// from CorvaneHost.dll, the real options dialog and save dialog driven by
// the shared automation, the real settings file and real payment files.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "build_stamp.h"
#include "calendar/calendar.h"
#include "host/automation/ui_automation.h"
#include "payments/payment_run.h"
#include "platform/serial_date.h"
#include "quillfen_version.h"
#include "tests/support/com_test.h"
#include "tests/support/diagnostics_ini.h"

using namespace qf;
using namespace qf::test;
using namespace corvane::automation;

namespace {

const char kOptions[] = "Corvane RBS/NatWest Internet Bankline Payment Processing";
const HRESULT kInvalidArg = static_cast<HRESULT>(0x800AFFFC);
enum Layout { Standard = 2013, Template = 2014, BulkList = 2015, AdHocBulk = 2018 };

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0, end;
    while ((end = text.find("\r\n", start)) != std::string::npos) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    EXPECT_EQ(start, text.size()) << "every line ends with CR LF";
    return lines;
}

std::string Field(const std::string& line, int column)
{
    std::stringstream s(line);
    std::string field;
    for (int i = 1; i <= column; ++i)
        std::getline(s, field, ',');
    return field;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string SettingsFile()
{
    char folder[MAX_PATH];
    SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
    return std::string(folder) + "\\CORVANE\\Corvane EBanking\\BANKSERV.INI";
}

// A value in the settings file, or "<none>".
std::string Setting(const std::string& key)
{
    char value[300];
    GetPrivateProfileStringA("MIGRATED", key.c_str(), "<none>", value, sizeof value, SettingsFile().c_str());
    return value;
}

void ClearSetting(const std::string& key)
{
    WritePrivateProfileStringA("MIGRATED", key.c_str(), nullptr, SettingsFile().c_str());
}

class PaymentRun : public ComTest {
protected:
    void SetUp() override
    {
        ComTest::SetUp();
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "quillfen-run-" + std::to_string(GetCurrentProcessId()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        CreateDirectoryA(folder.c_str(), nullptr);
        Configure(L"payments", L"csv");
        service = CreateComponent<ICorvaneBankPaymentService>(CLSID_BankPaymentService, IID_ICorvaneBankPaymentService);
    }
    void TearDown() override
    {
        service.Reset();
        std::string cmd = folder + "\\*";
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA(cmd.c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do
                DeleteFileA((folder + "\\" + data.cFileName).c_str());
            while (FindNextFileA(find, &data));
            FindClose(find);
        }
        RemoveDirectoryA(folder.c_str());
        ComTest::TearDown();
    }

    void Configure(const wchar_t* name, const wchar_t* extension)
    {
        Bstr n(name), e(extension), d(std::wstring(folder.begin(), folder.end()).c_str());
        host->SetPaymentFileSettings(n.Get(), e.Get(), d.Get());
    }

    long Status()
    {
        long status = -1;
        service->get_Status(&status);
        return status;
    }

    long Code(ICorvanePayments* batch, long index)
    {
        ComPtr<ICorvanePayment> p;
        long code = -1;
        if (SUCCEEDED(batch->Item(index, p.Put())))
            p->get_StatusCode(&code);
        return code;
    }

    void SetText(ICorvanePayments* batch, long index, HRESULT (STDMETHODCALLTYPE ICorvanePayment::*put)(BSTR),
                 const wchar_t* text)
    {
        ComPtr<ICorvanePayment> p;
        ASSERT_EQ(batch->Item(index, p.Put()), S_OK);
        Bstr value(text);
        (p.Get()->*put)(value.Get());
    }

    // Runs ProcessPayments while script drives its windows.
    HRESULT Run(ICorvanePayments* batch, ICorvaneBankRecord* record, const std::function<void(Driver&)>& script)
    {
        HRESULT hr = E_FAIL;
        ScenarioResult r = RunScenario(
            [&] {
                hr = service->ProcessPayments(batch, record);
                return INT_PTR(0);
            },
            script, 20000);
        EXPECT_EQ(r.failure, "");
        return hr;
    }

    // Chooses the layout (and texts) in the options dialog and confirms it.
    static void Confirm(Driver& d, Layout layout, const char* templ = nullptr, const char* benRef = nullptr)
    {
        HWND dialog = d.WaitForWindow(kOptions);
        d.Click(dialog, layout);
        if (templ)
            d.SetText(dialog, 2011, templ);
        if (benRef)
            d.SetText(dialog, 2017, benRef);
        d.ClickNoWait(dialog, IDOK);
        d.WaitUntilClosed(dialog);
    }

    static void SaveAs(Driver& d, const std::string& path)
    {
        HWND save = d.WaitForSaveDialog();
        SaveOutcome outcome = d.Save(save, path.c_str(), IDYES);
        if (!outcome.closed)
            throw AutomationError("the save dialog did not take " + path);
    }

    std::string folder;
    ComPtr<ICorvaneBankPaymentService> service;
};

} // namespace

TEST_F(PaymentRun, StandardRunChecksEveryPayment)
{
    ClearSetting("RBSBanklineTemplate");
    ClearSetting("RBSBanklineBenRef");
    auto batch = MakePayments(3);
    SetText(batch.Get(), 1, &ICorvanePayment::put_PayeeSortCode, L"65-43-2");
    const std::string path = folder + "\\standard.csv";
    const HRESULT hr = Run(batch.Get(), nullptr, [&](Driver& d) {
        Confirm(d, Standard);
        SaveAs(d, path);
    });
    EXPECT_EQ(hr, S_FALSE);
    EXPECT_EQ(Status(), 1);
    EXPECT_EQ(Code(batch.Get(), 0), 0);
    EXPECT_EQ(Code(batch.Get(), 1), 28);
    EXPECT_EQ(Code(batch.Get(), 2), 0);
    const auto lines = Lines(ReadAll(path));
    ASSERT_EQ(lines.size(), 3u);
    for (const std::string& line : lines) {
        EXPECT_EQ(std::count(line.begin(), line.end(), ','), 84);
        EXPECT_EQ(Field(line, 4), "01");
        EXPECT_EQ(Field(line, 13), "12345612345678");
    }
    EXPECT_EQ(Field(lines[1], 25), "65432 ") << "written as checked: the digits, space-padded";
    // Without a bank record the bare keys are used; Standard stores empty texts.
    EXPECT_EQ(Setting("RBSBanklineTemplate"), "");
    EXPECT_EQ(Setting("RBSBanklineBenRef"), "");
    ClearSetting("RBSBanklineTemplate");
    ClearSetting("RBSBanklineBenRef");
}

TEST_F(PaymentRun, BulkListHeaderFailureWritesOnlyTheHeader)
{
    auto batch = MakePayments(2);
    SetText(batch.Get(), 0, &ICorvanePayment::put_PayerSortCode, L"12345");
    const std::string path = folder + "\\bulk.csv";
    const HRESULT hr = Run(batch.Get(), nullptr, [&](Driver& d) {
        Confirm(d, BulkList, "SUPPLIERS", "DEC RUN");
        SaveAs(d, path);
    });
    EXPECT_EQ(hr, S_FALSE);
    EXPECT_EQ(Status(), 1);
    EXPECT_EQ(Code(batch.Get(), 0), 23);
    const auto lines = Lines(ReadAll(path));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(Field(lines[0], 4), "06");
    EXPECT_EQ(std::count(lines[0].begin(), lines[0].end(), ','), 79);
}

TEST_F(PaymentRun, SettingsArePerAccountAndWrittenBack)
{
    const std::string templateKey = "RBSBanklineTemplate123456_12345678", benRefKey = "RBSBanklineBenRef123456_12345678";
    ClearSetting(templateKey);
    ClearSetting(benRefKey);
    auto record = MakeBankRecord(L"12-34-56", L"12345678");
    {
        auto batch = MakePayments(1);
        EXPECT_EQ(Run(batch.Get(), record.Get(), [&](Driver& d) {
                      Confirm(d, BulkList, "SUPPLIERS", "DEC RUN");
                      SaveAs(d, folder + "\\first.csv");
                  }),
                  S_OK);
    }
    EXPECT_EQ(Setting(templateKey), "SUPPLIERS");
    EXPECT_EQ(Setting(benRefKey), "DEC RUN");
    {
        // The next run offers them again; a Standard run stores empty values.
        auto batch = MakePayments(1);
        std::string offered;
        EXPECT_EQ(Run(batch.Get(), record.Get(), [&](Driver& d) {
                      HWND dialog = d.WaitForWindow(kOptions);
                      d.Click(dialog, BulkList);
                      offered = d.Text(dialog, 2011) + "|" + d.Text(dialog, 2017);
                      d.Click(dialog, Standard);
                      d.ClickNoWait(dialog, IDOK);
                      SaveAs(d, folder + "\\second.csv");
                  }),
                  S_OK);
        EXPECT_EQ(offered, "SUPPLIERS|DEC RUN");
    }
    EXPECT_EQ(Setting(templateKey), "");
    EXPECT_EQ(Setting(benRefKey), "");
    ClearSetting(templateKey);
    ClearSetting(benRefKey);
}

TEST_F(PaymentRun, NullAccountNumberIsAnEmptyNumber)
{
    ClearSetting("RBSBanklineTemplate123456_");
    auto record = MakeBankRecord(L"12-34-56", nullptr);
    auto batch = MakePayments(1);
    EXPECT_EQ(Run(batch.Get(), record.Get(), [&](Driver& d) {
                  Confirm(d, Template, "TPL");
                  SaveAs(d, folder + "\\t.csv");
              }),
              S_OK);
    EXPECT_EQ(Setting("RBSBanklineTemplate123456_"), "TPL");
    ClearSetting("RBSBanklineTemplate123456_");
    ClearSetting("RBSBanklineBenRef123456_");
}

TEST_F(PaymentRun, CancellingEitherDialogWritesNothing)
{
    ClearSetting("RBSBanklineTemplate");
    auto batch = MakePayments(2);
    EXPECT_EQ(Run(batch.Get(), nullptr, [&](Driver& d) {
                  HWND dialog = d.WaitForWindow(kOptions);
                  d.ClickNoWait(dialog, IDCANCEL);
              }),
              S_OK);
    EXPECT_EQ(Status(), 3);
    service->put_Status(0);
    const std::string path = folder + "\\never.csv";
    EXPECT_EQ(Run(batch.Get(), nullptr, [&](Driver& d) {
                  Confirm(d, BulkList, "X", "Y");
                  d.CancelSaveDialog(d.WaitForSaveDialog());
              }),
              S_OK);
    EXPECT_EQ(Status(), 3);
    EXPECT_FALSE(Exists(path));
    EXPECT_EQ(Setting("RBSBanklineTemplate"), "<none>");
}

// The user's bank holidays come from the settings file at the start of each
// run, so an edit between runs takes effect in the next one.
TEST_F(PaymentRun, TheUsersBankHolidaysAreReadForEachRun)
{
    const std::string file = SettingsFile();
    // The component reads the real clock: the proposal without changes, and
    // with that day added as a holiday.
    const double today = Today();
    const double plain = std::floor(NextCreditingDate(today));
    HolidayChanges added;
    added.Add(plain);
    const double moved = std::floor(NextCreditingDate(today, added));
    ASSERT_GT(moved, plain);
    CalendarDate day;
    ASSERT_TRUE(SerialToDate(plain, day));
    char entry[16];
    wsprintfA(entry, "%02d/%02d/%04d", day.day, day.month, day.year);

    auto proposal = [&] {
        double shown = 0;
        auto batch = MakePayments(1);
        EXPECT_EQ(Run(batch.Get(), nullptr, [&](Driver& d) {
                      HWND dialog = d.WaitForWindow(kOptions);
                      const SYSTEMTIME date = d.Date(dialog, 2003);
                      DateToSerial(date.wYear, date.wMonth, date.wDay, shown);
                      d.ClickNoWait(dialog, IDCANCEL);
                  }),
                  S_OK);
        return shown;
    };
    // A malformed entry beside it does not stop the list from being read.
    ASSERT_TRUE(WritePrivateProfileStringA("Bank Holidays", "Add", (std::string("31/02/2030, ") + entry).c_str(),
                                           file.c_str()));
    EXPECT_EQ(proposal(), moved);
    ASSERT_TRUE(WritePrivateProfileStringA("Bank Holidays", nullptr, nullptr, file.c_str()));
    EXPECT_EQ(proposal(), plain);
}

TEST_F(PaymentRun, SaveDialogFilterFollowsTheExtension)
{
    auto batch = MakePayments(1);
    std::vector<std::string> types[2];
    for (int pass = 0; pass < 2; ++pass) {
        Configure(L"payments", pass == 0 ? L"csv" : L"");
        Run(batch.Get(), nullptr, [&](Driver& d) {
            Confirm(d, Standard);
            HWND save = d.WaitForSaveDialog();
            HWND combo = GetDlgItem(save, 0x470);
            const int n = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
            for (int i = 0; i < n; ++i) {
                char text[128] = {};
                SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
                types[pass].push_back(text);
            }
            d.CancelSaveDialog(save);
        });
    }
    EXPECT_EQ(types[0], (std::vector<std::string>{"Payment Files (*.csv)", "All Files (*.*)"}));
    EXPECT_EQ(types[1], (std::vector<std::string>{"All Files (*.*)"}));
}

TEST_F(PaymentRun, TooManyPaymentsAreRefusedWithAMessage)
{
    auto batch = MakePayments(4001);
    MessageBoxInfo box;
    const HRESULT hr = Run(batch.Get(), nullptr, [&](Driver& d) { box = d.AnswerMessageBox(IDOK); });
    EXPECT_EQ(hr, 40);
    EXPECT_EQ(Status(), 40);
    EXPECT_EQ(box.caption, "Corvane RBS/NatWest Internet Bankline");
    EXPECT_EQ(box.text, "Too many payment instructions have been submitted. RBS/NatWest Internet Bankline supports a "
                        "maximum of 4000 payments in a single file.");
    EXPECT_TRUE(box.ShowsIcon(IDI_WARNING));
    EXPECT_EQ(Code(batch.Get(), 0), 0) << "no payment is touched";
}

TEST_F(PaymentRun, FourThousandPaymentsRunThrough)
{
    auto batch = MakePayments(4000);
    const std::string path = folder + "\\4000.csv";
    EXPECT_EQ(Run(batch.Get(), nullptr, [&](Driver& d) {
                  Confirm(d, AdHocBulk, nullptr, "BIG RUN");
                  SaveAs(d, path);
              }),
              S_OK);
    EXPECT_EQ(Status(), 0);
    EXPECT_EQ(Lines(ReadAll(path)).size(), 4001u);
}

TEST_F(PaymentRun, HostFailuresEndTheRunCleanly)
{
    auto batch = MakePayments(4);
    const std::string path = folder + "\\partial.csv";
    Bstr item(L"Item");
    EXPECT_EQ(Run(batch.Get(), nullptr, [&](Driver& d) {
                  Confirm(d, Standard);
                  // The dialog has read its rows; from now on Item fails from
                  // the third payment of the file on. (The run's thread waits
                  // in the save dialog meanwhile, so the host is not in use.)
                  long calls = 0;
                  host->CallCount(item.Get(), &calls);
                  host->FailCall(item.Get(), calls + 2, E_FAIL);
                  SaveAs(d, path);
              }),
              S_OK);
    EXPECT_EQ(Status(), 2);
    host->Reset();
    Configure(L"payments", L"csv");
    EXPECT_EQ(Lines(ReadAll(path)).size(), 2u) << "the records before the failure stay";
    SetErrorInfo(0, nullptr);

    service->put_Status(7);
    Bstr cls(L"BankConfiguration"), settings(L"GetPaymentFileSettings");
    host->RefuseCreation(cls.Get(), VARIANT_TRUE);
    EXPECT_EQ(service->ProcessPayments(batch.Get(), nullptr), DISP_E_EXCEPTION);
    host->RefuseCreation(cls.Get(), VARIANT_FALSE);
    host->FailCall(settings.Get(), 0, E_FAIL);
    EXPECT_EQ(service->ProcessPayments(batch.Get(), nullptr), DISP_E_EXCEPTION);
    EXPECT_EQ(TakeErrorDescription(), L"<none>");
    EXPECT_EQ(Status(), 7) << "the Status is left as it was";
    host->Reset();

    EXPECT_EQ(service->ProcessPayments(nullptr, nullptr), kInvalidArg);
    EXPECT_EQ(TakeErrorDescription(), L"Invalid argument");
    EXPECT_EQ(Status(), 0);
}

TEST_F(PaymentRun, BulkRunWithoutAFirstPaymentWritesNothing)
{
    auto batch = MakePayments(0);
    const std::string path = folder + "\\empty.csv";
    EXPECT_EQ(Run(batch.Get(), nullptr, [&](Driver& d) {
                  Confirm(d, AdHocBulk, nullptr, "NONE");
                  SaveAs(d, path);
              }),
              S_OK);
    EXPECT_EQ(Status(), 2);
    EXPECT_EQ(ReadAll(path), "");
}

TEST_F(PaymentRun, VirtualStoreRedirectWhenNotElevated)
{
    char local[MAX_PATH];
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local)));
    // The chosen folder does not exist; its VirtualStore twin does.
    const std::string chosenFolder = "C:\\quillfen-missing-" + std::to_string(GetCurrentProcessId());
    const std::string store = std::string(local) + "\\virtualstore" + chosenFolder.substr(2);
    ASSERT_EQ(SHCreateDirectoryExA(nullptr, store.c_str(), nullptr), ERROR_SUCCESS);
    const std::string chosen = chosenFolder + "\\pay.csv";
    const std::string redirected = store + "\\pay.csv";

    HKEY elevated = nullptr;
    RegDeleteKeyA(HKEY_USERS, "S-1-5-19");
    auto batch = MakePayments(1);
    MessageBoxInfo notice;
    EXPECT_EQ(Run(batch.Get(), nullptr, [&](Driver& d) {
                  Confirm(d, Standard);
                  HWND save = d.WaitForSaveDialog();
                  // The save dialog itself would refuse a missing folder:
                  // end it the way a user who typed the name would.
                  d.Save(save, chosen.c_str(), IDYES);
                  notice = d.AnswerMessageBox(IDNO);
              }),
              S_OK);
    EXPECT_EQ(notice.caption, "Windows Redirect");
    EXPECT_EQ(notice.text, "Due to Windows Redirect your file was saved to: " + redirected +
                               "\n\nWould you like to open the directory?");
    EXPECT_TRUE(Exists(redirected));
    DeleteFileA(redirected.c_str());

    // Elevated: no second attempt and no notice.
    ASSERT_EQ(RegCreateKeyExA(HKEY_USERS, "S-1-5-19", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &elevated, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(elevated);
    service->put_Status(0);
    EXPECT_EQ(Run(batch.Get(), nullptr, [&](Driver& d) {
                  Confirm(d, Standard);
                  d.Save(d.WaitForSaveDialog(), chosen.c_str(), IDYES);
              }),
              S_OK);
    EXPECT_EQ(Status(), 2);
    EXPECT_FALSE(Exists(redirected));
    RegDeleteKeyA(HKEY_USERS, "S-1-5-19");
    RemoveDirectoryA(store.c_str());
}

TEST(PaymentRunPaths, OnlyDrivePathsAreRedirected)
{
    char local[MAX_PATH];
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local)));
    EXPECT_STREQ(qf::detail::RedirectedPath("C:\\Program Files\\Pay\\pay.csv"),
                 (std::string(local) + "\\virtualstore\\Program Files\\Pay\\pay.csv").c_str());
    EXPECT_STREQ(qf::detail::RedirectedPath("\\\\server\\share\\pay.csv"), "");
    EXPECT_STREQ(qf::detail::RedirectedPath("pay.csv"), "");
    EXPECT_STREQ(qf::detail::RedirectedPath(""), "");
}

TEST(PaymentRunPaths, SaveFilterIsADoubleZeroTerminatedList)
{
    using namespace std::string_literals;
    EXPECT_EQ(qf::detail::SaveFilter("csv"), "Payment Files (*.csv)\0*.csv\0All Files (*.*)\0*.*\0\0"s);
    EXPECT_EQ(qf::detail::SaveFilter(""), "All Files (*.*)\0*.*\0\0"s);
}

// The run's entry in the diagnostics log without its time stamps, or
// "<bad line>" for a line that does not start with one.
static std::vector<std::string> LogLines(const std::string& text)
{
    std::vector<std::string> lines;
    for (const std::string& line : Lines(text))
        lines.push_back(line.size() > 20 && line[4] == '-' && line[13] == ':' && line[19] == ' ' ? line.substr(20)
                                                                                                  : "<bad line>");
    return lines;
}

TEST_F(PaymentRun, DiagnosticsLogHasTheRunButNoPaymentData)
{
    const std::string logPath = folder + "\\diagnostics.log";
    auto batch = MakePayments(3);
    SetText(batch.Get(), 0, &ICorvanePayment::put_PayeeAccountName, L"HARTLEY TIMBER");
    SetText(batch.Get(), 1, &ICorvanePayment::put_PayeeSortCode, L"65-43-2");
    {
        ComPtr<ICorvanePayment> p;
        ASSERT_EQ(batch->Item(2, p.Put()), S_OK);
        p->put_Amount(4321.98);
    }
    const std::string path = folder + "\\logged.csv";
    {
        qf::test::DiagnosticsIni ini("1", logPath.c_str());
        // The calendar's message about a mistyped holiday goes into the entry.
        WritePrivateProfileStringA("Bank Holidays", "Add", "31/02/2030", SettingsFile().c_str());
        EXPECT_EQ(Run(batch.Get(), nullptr, [&](Driver& d) {
                      Confirm(d, Standard);
                      SaveAs(d, path);
                  }),
                  S_FALSE);
        WritePrivateProfileStringA("Bank Holidays", nullptr, nullptr, SettingsFile().c_str());
    }
    const std::string log = ReadAll(logPath);
    EXPECT_EQ(LogLines(log), (std::vector<std::string>{
                                 "payments: payment run of Quillfen " QF_VERSION_STRING " (build " QF_BUILD_STAMP
                                 ") in payment_run_test.exe",
                                 "payments: 3 payments",
                                 "payments: debug: Quillfen: BANKSERV.INI [Bank Holidays] Add: '31/02/2030' is not "
                                 "a date as DD/MM/YYYY and is ignored",
                                 "payments: options dialog: OK, layout Standard",
                                 "payments: writing " + path,
                                 "payments: status codes: code 0: 2, code 28: 1",
                                 "payments: outcome: Status 1, file written, a payment failed its checks",
                             }));
    for (const char* personal : {"HARTLEY", "Payee", "87654321", "12345678", "65-43-21", "654321", "123456",
                                 "4321.98", "10.00"})
        EXPECT_EQ(log.find(personal), std::string::npos) << personal << " is in the log:\n" << log;

    // Cancelled in the options dialog: the entry says so and ends there.
    DeleteFileA(logPath.c_str());
    {
        qf::test::DiagnosticsIni ini("yes", logPath.c_str());
        EXPECT_EQ(Run(batch.Get(), nullptr, [&](Driver& d) {
                      HWND dialog = d.WaitForWindow(kOptions);
                      d.ClickNoWait(dialog, IDCANCEL);
                      d.WaitUntilClosed(dialog);
                  }),
                  S_OK);
    }
    const auto cancelled = LogLines(ReadAll(logPath));
    ASSERT_EQ(cancelled.size(), 4u) << ReadAll(logPath);
    EXPECT_EQ(cancelled[2], "payments: options dialog: cancelled");
    EXPECT_EQ(cancelled[3], "payments: outcome: Status 3, cancelled by the user");

    // With the log off a run writes nothing.
    DeleteFileA(logPath.c_str());
    {
        qf::test::DiagnosticsIni ini("0", logPath.c_str());
        EXPECT_EQ(Run(batch.Get(), nullptr, [&](Driver& d) {
                      Confirm(d, Standard);
                      SaveAs(d, path);
                  }),
                  S_FALSE);
    }
    EXPECT_FALSE(Exists(logPath));
}
