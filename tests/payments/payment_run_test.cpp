// The payment run end to end through the real DLL: the host's configuration
// from CorvaneHost.dll, the real options dialog and save dialog driven by
// the shared automation, the real settings file and real payment files.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cwchar>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "build_stamp.h"
#include "calendar/calendar.h"
#include "host/automation/ui_automation.h"
#include "payments/win/payment_run.h"
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
        paidCheck.emplace(folder);
        Configure(L"payments", L"csv");
        service = CreateComponent<ICorvaneBankPaymentService>(CLSID_BankPaymentService, IID_ICorvaneBankPaymentService);
    }
    void TearDown() override
    {
        service.Reset();
        paidCheck.reset();
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
    std::optional<PaidCheckOff> paidCheck;
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
    EXPECT_FALSE(Exists(path)) << "a batch cut short is no payment file: nothing stays behind";
    SetErrorInfo(0, nullptr);

    service->put_Status(7);
    Bstr cls(L"BankConfiguration"), settings(L"GetPaymentFileSettings");
    host->RefuseCreation(cls.Get(), VARIANT_TRUE);
    EXPECT_EQ(service->ProcessPayments(batch.Get(), nullptr), DISP_E_EXCEPTION);
    host->RefuseCreation(cls.Get(), VARIANT_FALSE);
    host->FailCall(settings.Get(), 0, E_FAIL);
    EXPECT_EQ(service->ProcessPayments(batch.Get(), nullptr), DISP_E_EXCEPTION);
    EXPECT_EQ(TakeErrorDescription(), L"Corvane host: GetPaymentFileSettings failed") << "the host's own";
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
    EXPECT_FALSE(Exists(path));
}

TEST_F(PaymentRun, VirtualStoreRedirectWhenNotElevated)
{
    // The chosen folder does not exist; its VirtualStore twin does.
    const std::string chosenFolder = "C:\\quillfen-missing-" + std::to_string(GetCurrentProcessId());
    std::string store;
    ASSERT_TRUE(MakeVirtualStoreTwin(chosenFolder, store));
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
                  if (kProcessIsVirtualised)
                      notice = d.AnswerMessageBox(IDNO);
              }),
              S_OK);
    if (!kProcessIsVirtualised) {
        // Never redirected: the file cannot be created, and nothing is claimed.
        EXPECT_EQ(Status(), 2);
        EXPECT_FALSE(Exists(redirected));
        RemoveDirectoryA(store.c_str());
        return;
    }
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

// A payee whose account number fails the account check: OK asks whether
// to write the file anyway. No keeps the options dialog open and nothing is
// written; Yes writes the file as without the check; Mode=Off asks nothing.
TEST_F(PaymentRun, AnInvalidPayeeAccountIsAskedAboutAtOk)
{
    auto batch = MakePayments(2);
    SetText(batch.Get(), 1, &ICorvanePayment::put_PayeeSortCode, L"40-11-62");
    SetText(batch.Get(), 1, &ICorvanePayment::put_PayeeAccountNumber, L"11223384");
    const auto okAndAnswer = [](Driver& d, int answer, std::string& asked) {
        HWND dialog = d.WaitForWindow(kOptions);
        d.ClickNoWait(dialog, IDOK);
        const MessageBoxInfo box = d.WaitForMessageBox();
        asked = box.caption + "|" + box.text;
        d.Answer(box, answer);
        return dialog;
    };
    std::string asked;
    bool stillOpen = false;
    EXPECT_EQ(Run(batch.Get(), nullptr, [&](Driver& d) {
                  HWND dialog = okAndAnswer(d, IDNO, asked);
                  stillOpen = IsWindowVisible(dialog) != FALSE;
                  d.ClickNoWait(dialog, IDCANCEL);
                  d.WaitUntilClosed(dialog);
              }),
              S_OK);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(Status(), 3);
    EXPECT_EQ(asked.rfind("Account Check|This account number does not fit its sort code:\r\n\r\n"
                          "Payee 2   40-11-62   11223384\r\n", 0), 0u) << asked;

    const std::string path = folder + "\\checked.csv";
    EXPECT_EQ(Run(batch.Get(), nullptr, [&](Driver& d) {
                  d.WaitUntilClosed(okAndAnswer(d, IDYES, asked));
                  SaveAs(d, path);
              }),
              S_OK);
    EXPECT_EQ(Status(), 0);
    EXPECT_EQ(Lines(ReadAll(path)).size(), 2u);
    EXPECT_EQ(Code(batch.Get(), 1), 0);

    WritePrivateProfileStringA("Account Check", "Mode", "Off", SettingsFile().c_str());
    const HRESULT off = Run(batch.Get(), nullptr, [&](Driver& d) {
        Confirm(d, Standard);
        SaveAs(d, folder + "\\unchecked.csv");
    });
    WritePrivateProfileStringA("Account Check", nullptr, nullptr, SettingsFile().c_str());
    EXPECT_EQ(off, S_OK);
    EXPECT_EQ(Status(), 0);
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
                                 "payments: paid record: none yet",
                                 "payments: paid record: not checked (PaidBeforeDays=0)",
                                 "payments: debug: Quillfen: BANKSERV.INI [Bank Holidays] Add: '31/02/2030' is not "
                                 "a date as DD/MM/YYYY and is ignored",
                                 "payments: account check: table built-in 8.50, 0 invalid, 3 unchecked",
                                 "payments: options dialog: OK, layout Standard",
                                 "payments: writing " + path,
                                 "payments: paid record: saved with 2 payments: 2 entries",
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
    ASSERT_EQ(cancelled.size(), 7u) << ReadAll(logPath);
    EXPECT_EQ(cancelled[2], "payments: paid record: 2 entries");
    EXPECT_EQ(cancelled[5], "payments: options dialog: cancelled");
    EXPECT_EQ(cancelled[6], "payments: outcome: Status 3, cancelled by the user");

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

namespace {

// The host's calls in the order of the call log, each with how often it
// was made.
std::vector<std::pair<std::wstring, long>> CallsOf(const std::wstring& log)
{
    std::vector<std::pair<std::wstring, long>> calls;
    std::size_t start = 0, end;
    while ((end = log.find(L';', start)) != std::wstring::npos) {
        const std::wstring name = log.substr(start, end - start);
        start = end + 1;
        auto it = std::find_if(calls.begin(), calls.end(), [&](const auto& c) { return c.first == name; });
        if (it == calls.end())
            calls.emplace_back(name, 1);
        else
            ++it->second;
    }
    return calls;
}

class PaymentRunFaults : public PaymentRun {
protected:
    static constexpr long kUntouched = 7; // Status before each run
    static constexpr long kPayments = 3;

    struct Outcome {
        HRESULT hr = E_FAIL;
        long status = -1;
        bool exists = false;
        std::string bytes;
        std::vector<std::string> boxes;
        std::wstring errorInfo; // left on the thread by the run
    };

    // One run on the batch that whatever the host does in between answers
    // like a user: the options (layout, texts) confirmed, the file saved,
    // any message box acknowledged. afterOptions runs once the options
    // dialog has closed (and has read its rows from the host).
    Outcome FaultRun(ICorvanePayments* batch, ICorvaneBankRecord* record, Layout layout, const std::string& path,
                     const std::function<void()>& afterOptions = nullptr)
    {
        DeleteFileA(path.c_str());
        service->put_Status(kUntouched);
        Outcome out;
        std::atomic<bool> done{false};
        const ScenarioResult r = RunScenario(
            [&] {
                out.hr = service->ProcessPayments(batch, record);
                done = true;
                return INT_PTR(0);
            },
            [&](Driver& d) {
                const DWORD deadline = GetTickCount() + 15000;
                while (!done) {
                    if (GetTickCount() > deadline)
                        throw AutomationError("the run did not end");
                    for (HWND w : d.Windows()) {
                        if (IsFileDialog(w)) {
                            d.Save(w, path.c_str(), IDYES);
                        } else if (IsMessageBox(w)) {
                            const MessageBoxInfo box = d.WaitForMessageBox();
                            out.boxes.push_back(box.caption);
                            d.Answer(box, box.HasButton(IDNO) ? IDNO : IDOK);
                        } else if (d.Text(w) == kOptions) {
                            d.Click(w, layout);
                            if (layout == BulkList || layout == Template)
                                d.SetText(w, 2011, "SUPPLIERS");
                            if (layout == BulkList)
                                d.SetText(w, 2017, "DEC RUN");
                            d.ClickNoWait(w, IDOK);
                            d.WaitUntilClosed(w);
                            if (afterOptions)
                                afterOptions();
                        }
                    }
                    Sleep(10);
                }
            },
            20000);
        EXPECT_EQ(r.failure, "");
        out.status = Status();
        out.exists = Exists(path);
        out.bytes = ReadAll(path);
        out.errorInfo = TakeErrorDescription();
        return out;
    }

    void TearDown() override
    {
        for (const char* suffix : {"", "123456_12345678", "_12345678", "123456_"}) {
            ClearSetting(std::string("RBSBanklineTemplate") + suffix);
            ClearSetting(std::string("RBSBanklineBenRef") + suffix);
        }
        PaymentRun::TearDown();
    }
};

} // namespace

// Every host call of a normal run, failed in turn: the run never reports a
// file that is not complete, and it releases everything it took.
TEST_F(PaymentRunFaults, EveryHostCallOfARunMayFail)
{
    // Which occurrence of a call fails.
    enum Which { First, Middle, Last, Header };
    struct Exact {
        Layout layout;
        const wchar_t* call;
        Which which;
        HRESULT hr;
        long status;
        bool sameBytes; // the file is the normal run's, byte for byte
    };
    const Exact table[] = {
        {BulkList, L"GetPaymentFileSettings", First, DISP_E_EXCEPTION, kUntouched, false},
        {BulkList, L"get_Count", First, DISP_E_EXCEPTION, 0, false},
        {BulkList, L"get_Count", Last, S_OK, 2, false},
        {BulkList, L"get_Account", First, S_OK, 0, true},
        {BulkList, L"get_SortCode", First, S_OK, 0, true},
        {BulkList, L"get_AccountNumber", First, S_OK, 0, true},
        {BulkList, L"get_Details", First, S_OK, 0, true},
        {BulkList, L"put_StatusCode", First, S_OK, 2, false}, // the host would not know the outcome
        {BulkList, L"put_StatusCode", Last, S_OK, 2, false},
        {BulkList, L"Item", Header, S_OK, 2, false},
        {BulkList, L"Item", Last, S_OK, 2, false},
        // The account check reads the paying account first: advice only, so
        // a failed read changes nothing. Then the header's own check.
        {BulkList, L"get_PayerSortCode", First, S_OK, 0, true},
        {BulkList, L"get_PayerSortCode", Last, S_FALSE, 1, false},
        {BulkList, L"get_PayeeSortCode", Last, S_FALSE, 1, false},
        {Standard, L"get_PayeeAccountNumber", Last, S_FALSE, 1, false},
        {Standard, L"Item", Last, S_OK, 2, false},
        {Standard, L"get_StatusCode", Last, S_FALSE, 1, false}, // an IAT mark that cannot be read fails
    };

    std::vector<bool> used(std::size(table));
    auto record = MakeBankRecord(L"12-34-56", L"12345678");
    auto batch = MakePayments(kPayments);
    const std::string path = folder + "\\fault.csv";
    std::set<std::wstring> covered;
    for (Layout layout : {BulkList, Standard}) {
        SCOPED_TRACE(layout == BulkList ? "Bulk List" : "Standard");
        host->Reset();
        Configure(L"payments", L"csv");
        host->put_Logging(VARIANT_TRUE);
        const Outcome normal = FaultRun(batch.Get(), record.Get(), layout, path);
        Bstr log;
        host->get_CallLog(log.Put());
        host->put_Logging(VARIANT_FALSE);
        ASSERT_EQ(normal.hr, S_OK);
        ASSERT_EQ(normal.status, 0);
        const std::vector<std::string> normalLines = Lines(normal.bytes);
        const std::size_t fullFile = kPayments + (layout == BulkList ? 1 : 0);
        ASSERT_EQ(normalLines.size(), fullFile);
        const auto calls = CallsOf(log.Text());
        long items = 0;
        for (const auto& c : calls)
            if (c.first == L"Item")
                items = c.second;

        const long baseline = LiveHostObjects();
        service.Reset();
        ASSERT_EQ(ComponentCanUnload(), S_OK);

        struct Case {
            std::wstring call;
            long occurrence;
            Which which;
        };
        std::vector<Case> cases;
        for (const auto& [call, count] : calls) {
            cases.push_back({call, 1, First});
            if (count > 2)
                cases.push_back({call, (count + 1) / 2, Middle});
            if (count > 1)
                cases.push_back({call, count, Last});
            covered.insert(call);
        }
        if (layout == BulkList) // the header's payment: the first Item of the writing
            cases.push_back({L"Item", items - kPayments, Header});

        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.call.begin(), c.call.end()) + " #" + std::to_string(c.occurrence));
            host->Reset();
            Configure(L"payments", L"csv");
            Bstr member(c.call.c_str());
            ASSERT_EQ(host->FailOnce(member.Get(), c.occurrence, E_FAIL), S_OK);
            service = CreateComponent<ICorvaneBankPaymentService>(CLSID_BankPaymentService,
                                                                  IID_ICorvaneBankPaymentService);
            const Outcome out = FaultRun(batch.Get(), record.Get(), layout, path);

            EXPECT_TRUE(out.hr == S_OK || out.hr == S_FALSE || out.hr == DISP_E_EXCEPTION) << std::hex << out.hr;
            // A success leaves no error information behind; a failure has its own.
            EXPECT_EQ(out.errorInfo == L"<none>", SUCCEEDED(out.hr))
                << std::string(out.errorInfo.begin(), out.errorInfo.end());
            if (out.hr == DISP_E_EXCEPTION) {
                // A host error before anything was asked: the Status is as
                // the run had set it so far, and there is no file.
                EXPECT_TRUE(out.status == kUntouched || out.status == 0) << out.status;
                EXPECT_FALSE(out.exists);
            } else if (out.status == 0 || out.status == 1) {
                // S_FALSE says that payments failed their checks, nothing else.
                EXPECT_EQ(out.hr, out.status == 0 ? S_OK : S_FALSE);
                // Written means complete: every record, each ended by CR LF.
                EXPECT_TRUE(out.exists);
                const std::vector<std::string> lines = Lines(out.bytes);
                const bool headerOnly = layout == BulkList && out.status == 1 && lines.size() == 1;
                EXPECT_TRUE(lines.size() == fullFile || headerOnly) << lines.size() << " lines";
            } else {
                EXPECT_EQ(out.status, 2);
                EXPECT_FALSE(out.exists) << "a run that ends without a payment file leaves none";
            }
            EXPECT_TRUE(std::find(out.boxes.begin(), out.boxes.end(), "Windows Redirect") == out.boxes.end());
            for (std::size_t i = 0; i < std::size(table); ++i) {
                const Exact& e = table[i];
                if (e.layout != layout || c.call != e.call || e.which != c.which)
                    continue;
                used[i] = true;
                EXPECT_EQ(out.hr, e.hr);
                EXPECT_EQ(out.status, e.status);
                if (e.sameBytes) {
                    EXPECT_EQ(out.bytes, normal.bytes);
                }
            }

            service.Reset();
            EXPECT_EQ(ComponentCanUnload(), S_OK) << "the module lock is back at zero";
            EXPECT_EQ(LiveHostObjects(), baseline) << "the run released every host object it took";
        }
        service = CreateComponent<ICorvaneBankPaymentService>(CLSID_BankPaymentService, IID_ICorvaneBankPaymentService);
    }
    for (std::size_t i = 0; i < used.size(); ++i)
        EXPECT_TRUE(used[i]) << "the normal run made no such call: row " << i;
    // The calls no other test fails are among those failed here.
    for (const wchar_t* call : {L"get_Count", L"get_Account", L"get_SortCode", L"get_AccountNumber", L"put_StatusCode",
                                L"get_Amount", L"get_PayeeAccountName", L"get_PayeeRollNumber",
                                L"get_PayeeBACSReference", L"Item"})
        EXPECT_EQ(covered.count(call), 1u) << std::string(call, call + wcslen(call));
    host->Reset();
    DeleteFileA(path.c_str());
}

// A value the host fails to give is never written as if it had been given:
// the payment fails with its property's code, and a code the host does not
// take leaves the run without a payment file.
TEST_F(PaymentRunFaults, AFailedReadFailsItsPaymentAndAFailedStoreTheRun)
{
    const struct Case {
        const wchar_t* call;
        long code;   // on payment 3 afterwards
        bool marked; // payment 3 enters the run marked as an IAT
    } cases[] = {
        {L"get_Amount", 21, false},          {L"get_PayerSortCode", 23, false},
        {L"get_PayerAccountNumber", 24, false}, {L"get_PayeeBACSReference", 27, false},
        {L"get_PayeeSortCode", 28, false},   {L"get_PayeeAccountNumber", 29, false},
        {L"get_PayeeAccountName", 30, false}, {L"get_PayeeRollNumber", 31, false},
        {L"get_StatusCode", 35, true},       {L"put_StatusCode", -1, false},
    };
    const std::string logPath = folder + "\\faults.log";
    const std::string path = folder + "\\faults.csv";
    auto batch = MakePayments(5);
    qf::test::DiagnosticsIni ini("1", logPath.c_str());
    for (const Case& c : cases) {
        const std::string call(c.call, c.call + wcslen(c.call));
        SCOPED_TRACE(call);
        host->Reset();
        Configure(L"payments", L"csv");
        for (long i = 0; i < 5; ++i) {
            ComPtr<ICorvanePayment> p;
            ASSERT_EQ(batch->Item(i, p.Put()), S_OK);
            p->put_StatusCode(i == 2 && c.marked ? 1 : 0);
        }
        DeleteFileA(logPath.c_str());
        Bstr member(c.call);
        // Each record reads (and first stores) each of these once: the
        // third call of the writing is payment 3's.
        const Outcome out = FaultRun(batch.Get(), nullptr, Standard, path, [&] {
            long calls = 0;
            host->CallCount(member.Get(), &calls);
            host->FailOnce(member.Get(), calls + 3, E_FAIL);
        });
        EXPECT_EQ(out.errorInfo, L"<none>");
        const std::string log = ReadAll(logPath);
        const bool store = c.code < 0;
        const std::string entry = std::string("payment 3: ") + (store ? "storing " : "reading ") + call.substr(4) +
                                  " failed (0x80004005)";
        EXPECT_NE(log.find(entry), std::string::npos) << log;
        if (store) {
            EXPECT_EQ(out.hr, S_OK);
            EXPECT_EQ(out.status, 2);
            EXPECT_FALSE(out.exists);
            continue;
        }
        EXPECT_EQ(out.hr, S_FALSE);
        EXPECT_EQ(out.status, 1);
        const std::vector<std::string> lines = Lines(out.bytes);
        ASSERT_EQ(lines.size(), 5u);
        for (long i = 0; i < 5; ++i)
            EXPECT_EQ(Code(batch.Get(), i), i == 2 ? c.code : 0) << "payment " << i + 1;
        EXPECT_NE(log.find("status codes: code 0: 4, code " + std::to_string(c.code) + ": 1"), std::string::npos)
            << log;
    }
    host->Reset();
}
