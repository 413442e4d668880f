// The real options dialog on the host's payment objects, driven from a
// watcher thread the way a user would drive it, on a fixed clock.
#include "payments/win/pay_info_dialog.h"

#include "host/automation/ui_automation.h"
#include "payments/win/host_payments.h"
#include "platform/platform.h"
#include "platform/serial_date.h"
#include "resources/resource.h"
#include "tests/support/com_test.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

using namespace qf;
using namespace corvane::automation;

namespace {

const char* const kCaption = "Corvane RBS/NatWest Internet Bankline Payment Processing";

// The clock is read on the dialog's thread and moved by the script's.
std::mutex g_clockLock;
platform::LocalTime g_now;

platform::LocalTime FixedClock()
{
    std::lock_guard<std::mutex> lock(g_clockLock);
    return g_now;
}

void SetToday(int y, int m, int d)
{
    std::lock_guard<std::mutex> lock(g_clockLock);
    g_now = {};
    g_now.year = y, g_now.month = m, g_now.day = d, g_now.hour = 15, g_now.minute = 45;
}

CalendarDate DateOf(double serial)
{
    CalendarDate date;
    EXPECT_TRUE(SerialToDate(serial, date));
    return date;
}

// What the dialog left behind once it has closed.
struct Outcome {
    INT_PTR result = 0;
    PaymentFormat format = PaymentFormat::Standard;
    CalendarDate date;
    std::string templateName, reference;
    bool leavesOutPaid = false;
};

class PayInfoDialogTest : public qf::test::ComTest {
protected:
    void SetUp() override
    {
        ComTest::SetUp();
        m_previousClock = platform::SetClock(FixedClock);
        SetToday(2022, 6, 9); // a Thursday
    }
    void TearDown() override
    {
        platform::SetClock(m_previousClock);
        ComTest::TearDown();
    }

    // Opens the dialog on payments as the payment run does and runs script
    // against it; the dialog and the batch are gone when this returns.
    Outcome Open(ICorvanePayments* payments, const char* templateName, const char* reference,
                 const std::function<void(Driver&, HWND)>& script, HWND owner = nullptr)
    {
        qf::HostPaymentBatch batch(payments);
        CPayInfoDialog dialog(batch, templateName, reference);
        if (m_prepare)
            m_prepare(dialog);
        const ScenarioResult run = RunScenario([&] { return dialog.DoModal(owner); },
                                               [&](Driver& d) { script(d, d.WaitForWindow(kCaption)); });
        EXPECT_EQ(run.failure, "");
        Outcome out;
        out.result = run.result;
        out.format = dialog.GetPaymentFormat();
        out.date = DateOf(dialog.GetProcessingDate());
        out.templateName = dialog.GetTemplate().c_str();
        out.reference = dialog.GetBeneficiaryReference().c_str();
        out.leavesOutPaid = dialog.LeavesOutPaidBefore();
        return out;
    }

    std::vector<long> Codes(ICorvanePayments* payments)
    {
        std::vector<long> codes;
        long count = 0;
        payments->get_Count(&count);
        for (long i = 0; i < count; ++i) {
            ComPtr<ICorvanePayment> p;
            long code = -1;
            if (SUCCEEDED(payments->Item(i, p.Put())))
                p->get_StatusCode(&code);
            codes.push_back(code);
        }
        return codes;
    }

    void SetStatus(ICorvanePayments* payments, long index, long code)
    {
        ComPtr<ICorvanePayment> p;
        ASSERT_EQ(payments->Item(index, p.Put()), S_OK);
        p->put_StatusCode(code);
    }

    static std::vector<std::string> IatColumn(Driver& d, HWND dlg)
    {
        std::vector<std::string> cells;
        for (int row = 0; row < d.ListRowCount(dlg, IDC_PAYMENT_LIST); ++row)
            cells.push_back(d.ListCell(dlg, IDC_PAYMENT_LIST, row, 6));
        return cells;
    }

    static void ExpectIatControls(Driver& d, HWND dlg, bool enabled)
    {
        EXPECT_EQ(d.IsEnabled(dlg, IDC_PAYMENT_LIST), enabled);
        EXPECT_EQ(d.IsEnabled(dlg, IDC_SET_IAT), enabled);
        EXPECT_EQ(d.IsEnabled(dlg, IDC_RESET_IAT), enabled);
    }

    static void PressOk(Driver& d, HWND dlg) { d.ClickNoWait(dlg, IDOK); }

    using Strings = std::vector<std::string>;
    // What the payment run gives the dialog before it opens.
    std::function<void(CPayInfoDialog&)> m_prepare;

private:
    platform::ClockFn m_previousClock = nullptr;
};

} // namespace

TEST_F(PayInfoDialogTest, OpensWithTheProposedDateTheListAndEverythingElseOff)
{
    ComPtr<ICorvanePayments> payments = MakePayments(3);
    SetStatus(payments.Get(), 1, 29); // a code left from an earlier run reads as marked
    {
        ComPtr<ICorvanePayment> p;
        payments->Item(2, p.Put());
        p->put_Amount(1234.5);
        Bstr reference(L"INV 42"), details(L"June invoice");
        p->put_PayeeBACSReference(reference.Get());
        p->put_Details(details.Get());
    }

    const Outcome out = Open(payments.Get(), "STORED TEMPLATE", "STORED REF", [&](Driver& d, HWND dlg) {
        // Thursday 9 June 2022 proposes Monday 13 June, day first.
        const SYSTEMTIME shown = d.Date(dlg, IDC_PROCESSING_DATE);
        EXPECT_EQ(shown.wYear, 2022);
        EXPECT_EQ(shown.wMonth, 6);
        EXPECT_EQ(shown.wDay, 13);
        EXPECT_EQ(d.Text(dlg, IDC_PROCESSING_DATE), "13/06/2022");

        EXPECT_TRUE(d.IsChecked(dlg, IDC_FORMAT_STANDARD));
        for (int other : {IDC_FORMAT_TEMPLATE, IDC_FORMAT_BULK_LIST, IDC_FORMAT_AD_HOC_BULK})
            EXPECT_FALSE(d.IsChecked(dlg, other));
        EXPECT_EQ(d.Text(dlg, IDC_FORMAT_DESCRIPTION),
                  "This option produces Standard Domestic(BACS) and Inter Account Transfer (IAT) Payments.");
        for (int id : {IDC_TEMPLATE_LABEL, IDC_TEMPLATE, IDC_BENEFICIARY_REFERENCE_LABEL, IDC_BENEFICIARY_REFERENCE})
            EXPECT_FALSE(d.IsEnabled(dlg, id)) << id;
        EXPECT_EQ(d.Text(dlg, IDC_TEMPLATE), "");
        EXPECT_EQ(d.Text(dlg, IDC_BENEFICIARY_REFERENCE), "");
        EXPECT_EQ(d.Send(d.Control(dlg, IDC_TEMPLATE), EM_GETLIMITTEXT, 0, 0), 20);
        EXPECT_EQ(d.Send(d.Control(dlg, IDC_BENEFICIARY_REFERENCE), EM_GETLIMITTEXT, 0, 0), 18);

        EXPECT_TRUE(d.IsEnabled(dlg, IDC_IAT_MARKING));
        EXPECT_FALSE(d.IsChecked(dlg, IDC_IAT_MARKING));
        EXPECT_TRUE(d.IsEnabled(dlg, IDC_IAT_EXPLANATION));
        ExpectIatControls(d, dlg, false);

        const Strings headers = {"Sort Code", "Acc. Number", "Name",  "Amount",
                                 "Reference", "Details",     "Is IAT", "Paid before"};
        const int widths[] = {65, 80, 95, 70, 90, 110, 50, 160};
        for (int c = 0; c < 8; ++c) {
            EXPECT_EQ(d.ListHeader(dlg, IDC_PAYMENT_LIST, c), headers[static_cast<size_t>(c)]);
            EXPECT_EQ(d.ListColumnWidth(dlg, IDC_PAYMENT_LIST, c), widths[c]);
        }
        EXPECT_TRUE(d.Send(d.Control(dlg, IDC_PAYMENT_LIST), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);
        ASSERT_EQ(d.ListRowCount(dlg, IDC_PAYMENT_LIST), 3);
        Strings row2;
        for (int c = 0; c < 7; ++c)
            row2.push_back(d.ListCell(dlg, IDC_PAYMENT_LIST, 2, c));
        EXPECT_EQ(row2, (Strings{"65-43-21", "87654321", "Payee 3", "1234.50", "INV 42", "June invoice", "No"}));
        EXPECT_EQ(d.ListCell(dlg, IDC_PAYMENT_LIST, 0, 4), ""); // a text the host never set
        EXPECT_EQ(IatColumn(d, dlg), (Strings{"No", "Yes", "No"}));

        // The module's icon; centred on the screen, as there is no owner.
        EXPECT_NE(d.Send(dlg, WM_GETICON, ICON_BIG, 0), 0);
        EXPECT_NE(d.Send(dlg, WM_GETICON, ICON_SMALL, 0), 0);
        RECT rect, work;
        GetWindowRect(dlg, &rect);
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        EXPECT_LE(std::abs((rect.left + rect.right) - (work.left + work.right)), 2);
        EXPECT_LE(std::abs((rect.top + rect.bottom) - (work.top + work.bottom)), 2);

        d.ClickNoWait(dlg, IDCANCEL); // nothing changed: no question
    });
    EXPECT_EQ(out.result, IDCANCEL);
    // Cancel clears every payment, also the code that was there before.
    EXPECT_EQ(Codes(payments.Get()), (std::vector<long>{0, 0, 0}));
}

TEST_F(PayInfoDialogTest, BulkListUnticksIatMarkingAndKeepsTheMarksWritten)
{
    ComPtr<ICorvanePayments> payments = MakePayments(3);
    const Outcome out = Open(payments.Get(), "BULK LIST", "BENREF", [&](Driver& d, HWND dlg) {
        d.Click(dlg, IDC_IAT_MARKING);
        EXPECT_TRUE(d.IsChecked(dlg, IDC_IAT_MARKING));
        ExpectIatControls(d, dlg, true);
        d.SelectListRows(dlg, IDC_PAYMENT_LIST, {0, 2});
        d.Click(dlg, IDC_SET_IAT);
        EXPECT_EQ(IatColumn(d, dlg), (Strings{"Yes", "No", "Yes"}));

        d.Click(dlg, IDC_FORMAT_BULK_LIST);
        EXPECT_FALSE(d.IsChecked(dlg, IDC_IAT_MARKING));
        EXPECT_FALSE(d.IsEnabled(dlg, IDC_IAT_MARKING));
        EXPECT_FALSE(d.IsEnabled(dlg, IDC_IAT_EXPLANATION));
        ExpectIatControls(d, dlg, false);
        EXPECT_EQ(d.Text(dlg, IDC_FORMAT_DESCRIPTION),
                  "This option uses a Bulk List template to make multiple payments (no IATs).");
        EXPECT_TRUE(d.IsEnabled(dlg, IDC_TEMPLATE));
        EXPECT_TRUE(d.IsEnabled(dlg, IDC_BENEFICIARY_REFERENCE));
        EXPECT_EQ(d.Text(dlg, IDC_TEMPLATE), "BULK LIST");
        EXPECT_EQ(d.Text(dlg, IDC_BENEFICIARY_REFERENCE), "BENREF");
        EXPECT_EQ(IatColumn(d, dlg), (Strings{"Yes", "No", "Yes"}));
        PressOk(d, dlg);
    });
    EXPECT_EQ(out.result, IDOK);
    EXPECT_EQ(out.format, PaymentFormat::BulkList);
    EXPECT_EQ(out.templateName, "BULK LIST");
    EXPECT_EQ(out.reference, "BENREF");
    EXPECT_EQ(Codes(payments.Get()), (std::vector<long>{1, 0, 1}));
}

TEST_F(PayInfoDialogTest, EachFormatShowsItsDescriptionAndItsEdits)
{
    struct Case {
        int radio;
        const char* description;
        bool templateOn, referenceOn, iatOn;
    };
    const Case cases[] = {
        {IDC_FORMAT_AD_HOC_BULK,
         "This option is to produce a single debit multi credit payment that does not have to be made against any "
         "existing Bankline bulk list",
         false, true, false},
        {IDC_FORMAT_TEMPLATE, "This option uses a template to make Standard Domestic or Inter Account Payments.", true,
         false, true},
    };
    ComPtr<ICorvanePayments> payments = MakePayments(1);
    Open(payments.Get(), "T", "R", [&](Driver& d, HWND dlg) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.radio);
            d.Click(dlg, c.radio);
            EXPECT_EQ(d.Text(dlg, IDC_FORMAT_DESCRIPTION), c.description);
            EXPECT_EQ(d.IsEnabled(dlg, IDC_TEMPLATE_LABEL), c.templateOn);
            EXPECT_EQ(d.IsEnabled(dlg, IDC_TEMPLATE), c.templateOn);
            EXPECT_EQ(d.Text(dlg, IDC_TEMPLATE), c.templateOn ? "T" : "");
            EXPECT_EQ(d.IsEnabled(dlg, IDC_BENEFICIARY_REFERENCE_LABEL), c.referenceOn);
            EXPECT_EQ(d.IsEnabled(dlg, IDC_BENEFICIARY_REFERENCE), c.referenceOn);
            EXPECT_EQ(d.Text(dlg, IDC_BENEFICIARY_REFERENCE), c.referenceOn ? "R" : "");
            EXPECT_EQ(d.IsEnabled(dlg, IDC_IAT_MARKING), c.iatOn);
        }
        d.ClickNoWait(dlg, IDCANCEL);
        d.AnswerMessageBox(IDYES);
    });
}

TEST_F(PayInfoDialogTest, SwitchingTemplateStandardTemplateShowsTheStoredTemplateAgain)
{
    ComPtr<ICorvanePayments> payments = MakePayments(1);
    const Outcome out = Open(payments.Get(), "STORED TEMPLATE", "STORED REF", [&](Driver& d, HWND dlg) {
        d.Click(dlg, IDC_FORMAT_TEMPLATE);
        EXPECT_EQ(d.Text(dlg, IDC_TEMPLATE), "STORED TEMPLATE");
        d.SetText(dlg, IDC_TEMPLATE, "TYPED BEFORE SWITCH");
        d.Click(dlg, IDC_FORMAT_STANDARD);
        EXPECT_EQ(d.Text(dlg, IDC_TEMPLATE), "");
        d.Click(dlg, IDC_FORMAT_TEMPLATE);
        EXPECT_EQ(d.Text(dlg, IDC_TEMPLATE), "STORED TEMPLATE");
        EXPECT_EQ(d.Text(dlg, IDC_BENEFICIARY_REFERENCE), "");
        PressOk(d, dlg);
    });
    EXPECT_EQ(out.result, IDOK);
    EXPECT_EQ(out.format, PaymentFormat::Template);
    EXPECT_EQ(out.templateName, "STORED TEMPLATE");
    EXPECT_EQ(out.reference, ""); // the Template layout has no beneficiary reference
}

TEST_F(PayInfoDialogTest, OkReturnsWhatTheFormatUsesCutToTheFilesLengths)
{
    ComPtr<ICorvanePayments> payments = MakePayments(1);
    // Standard: nothing, whatever the settings held.
    Outcome out = Open(payments.Get(), "STORED TEMPLATE", "STORED REF", [&](Driver& d, HWND dlg) { PressOk(d, dlg); });
    EXPECT_EQ(out.result, IDOK);
    EXPECT_EQ(out.format, PaymentFormat::Standard);
    EXPECT_EQ(out.templateName, "");
    EXPECT_EQ(out.reference, "");
    EXPECT_EQ(out.date, (CalendarDate{2022, 6, 13}));

    // Bulk List with texts longer than the edits allow (set by program, as
    // a paste could): cut to 20 and 18 characters.
    out = Open(payments.Get(), "", "", [&](Driver& d, HWND dlg) {
        d.Click(dlg, IDC_FORMAT_BULK_LIST);
        d.SetText(dlg, IDC_TEMPLATE, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
        d.SetText(dlg, IDC_BENEFICIARY_REFERENCE, "1234567890123456789012");
        PressOk(d, dlg);
    });
    EXPECT_EQ(out.result, IDOK);
    EXPECT_EQ(out.templateName, "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(out.reference, "123456789012345678");
}

TEST_F(PayInfoDialogTest, OkRefusesDatesWithTheirMessagesAndStaysOpen)
{
    const std::string weekend = "The date you specified falls on a weekend. Try advancing the date \r\n";
    const std::string holiday = "The date you specified falls on a Bank holiday. Try advancing the date \r\n";
    struct Case {
        const char* what;
        CalendarDate today, date;
        const char* caption;
        std::string text;
    };
    const Case cases[] = {
        {"yesterday", {2022, 6, 9}, {2022, 6, 8}, "Invalid Banking Date Specified",
         "The processing date you specify for payments MUST be on or after the current system date."},
        {"a Saturday", {2022, 6, 9}, {2022, 6, 11}, "Non-Banking Date Specified",
         weekend + "2 days to the next likely Banking Day."},
        {"a Sunday", {2022, 6, 9}, {2022, 6, 12}, "Non-Banking Date Specified",
         weekend + "1 day to the next likely Banking Day."},
        {"Good Friday", {2022, 4, 13}, {2022, 4, 15}, "Non-Banking Date Specified",
         holiday + "4 days to the next likely Banking Day."},
        {"the spring holiday moved to Thursday 2 June", {2022, 5, 20}, {2022, 6, 2}, "Non-Banking Date Specified",
         holiday + "4 days to the next likely Banking Day."},
        {"a Friday 46 days ahead", {2022, 6, 6}, {2022, 7, 22}, "Invalid Processing Date Specified",
         "The processing date specified is too far in the future.\rProcessing dates can be at most 45 days after "
         "today's date."},
        {"a Saturday 46 days ahead", {2022, 6, 7}, {2022, 7, 23}, "Non-Banking Date Specified",
         weekend + "2 days to the next likely Banking Day."},
    };
    ComPtr<ICorvanePayments> payments = MakePayments(1);
    const Outcome out = Open(payments.Get(), "", "", [&](Driver& d, HWND dlg) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            SetToday(c.today.year, c.today.month, c.today.day);
            d.SetDate(dlg, IDC_PROCESSING_DATE, c.date.year, c.date.month, c.date.day);
            PressOk(d, dlg);
            const MessageBoxInfo box = d.AnswerMessageBox(IDOK);
            EXPECT_EQ(box.caption, c.caption);
            EXPECT_EQ(box.text, c.text);
            EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
            EXPECT_TRUE(box.ShowsIcon(IDI_WARNING));
            EXPECT_TRUE(IsWindowVisible(dlg));
        }
        // A Thursday 45 days ahead is the last day accepted.
        SetToday(2022, 6, 6);
        d.SetDate(dlg, IDC_PROCESSING_DATE, 2022, 7, 21);
        PressOk(d, dlg);
    });
    EXPECT_EQ(out.result, IDOK);
    EXPECT_EQ(out.date, (CalendarDate{2022, 7, 21}));
}

TEST_F(PayInfoDialogTest, OkRefusesAnEmptyTemplateNameAfterTheDateAndStaysOpen)
{
    ComPtr<ICorvanePayments> payments = MakePayments(1);
    auto expectRefusal = [](const MessageBoxInfo& box) {
        EXPECT_EQ(box.caption, "Invalid Template Specified");
        EXPECT_EQ(box.text, "A template name is required for this payment format.");
        EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
        EXPECT_TRUE(box.ShowsIcon(IDI_WARNING));
    };
    // The stored texts are offered again: start from none at all.
    const Outcome out = Open(payments.Get(), "", "REF", [&](Driver& d, HWND dlg) {
        for (int radio : {IDC_FORMAT_TEMPLATE, IDC_FORMAT_BULK_LIST}) {
            SCOPED_TRACE(radio);
            d.Click(dlg, radio);
            PressOk(d, dlg);
            const MessageBoxInfo box = d.WaitForMessageBox();
            EXPECT_EQ(GetWindow(box.window, GW_OWNER), dlg) << "owned by the dialog";
            d.Answer(box, IDOK);
            expectRefusal(box);
            EXPECT_TRUE(IsWindowVisible(dlg));
        }
        // A bad date is refused first; the template follows once it is right.
        d.SetDate(dlg, IDC_PROCESSING_DATE, 2022, 6, 11);
        PressOk(d, dlg);
        EXPECT_EQ(d.AnswerMessageBox(IDOK).caption, "Non-Banking Date Specified");
        d.SetDate(dlg, IDC_PROCESSING_DATE, 2022, 6, 13);
        PressOk(d, dlg);
        expectRefusal(d.AnswerMessageBox(IDOK));
        d.SetText(dlg, IDC_TEMPLATE, "SUPPLIERS");
        PressOk(d, dlg);
    });
    EXPECT_EQ(out.result, IDOK);
    EXPECT_EQ(out.format, PaymentFormat::BulkList);
    EXPECT_EQ(out.templateName, "SUPPLIERS");
    EXPECT_EQ(out.reference, "REF");
}

TEST_F(PayInfoDialogTest, OkAsksOnceAboutPaymentsWrittenBeforeAndCancelGoesBack)
{
    ComPtr<ICorvanePayments> payments = MakePayments(3);
    const Strings marks = {"", "written 01/06/2022 to june.csv", "twice: as row 2"};
    m_prepare = [&](CPayInfoDialog& dialog) {
        dialog.ShowPaidBefore({marks[0].c_str(), marks[1].c_str(), marks[2].c_str()}, "2 payments ...");
    };
    for (const auto& [answer, leavesOut] : {std::pair{IDYES, true}, std::pair{IDNO, false}}) {
        SCOPED_TRACE(answer);
        const Outcome out = Open(payments.Get(), "", "", [&](Driver& d, HWND dlg) {
            Strings shown;
            for (int row = 0; row < 3; ++row)
                shown.push_back(d.ListCell(dlg, IDC_PAYMENT_LIST, row, 7));
            EXPECT_EQ(shown, marks);
            PressOk(d, dlg);
            const MessageBoxInfo box = d.AnswerMessageBox(IDCANCEL);
            EXPECT_EQ(box.caption, "Payments written before");
            EXPECT_EQ(box.text, "2 payments ...");
            EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO, IDCANCEL}));
            EXPECT_TRUE(IsWindowVisible(dlg)) << "Cancel goes back to the dialog";
            PressOk(d, dlg);
            d.AnswerMessageBox(answer);
        });
        EXPECT_EQ(out.result, IDOK);
        EXPECT_EQ(out.leavesOutPaid, leavesOut);
    }
}

TEST_F(PayInfoDialogTest, SetAndResetMarkTheSelectedPayments)
{
    ComPtr<ICorvanePayments> payments = MakePayments(3);
    const Outcome out = Open(payments.Get(), "", "", [&](Driver& d, HWND dlg) {
        d.Click(dlg, IDC_IAT_MARKING);
        d.SelectListRows(dlg, IDC_PAYMENT_LIST, {0, 1});
        d.Click(dlg, IDC_SET_IAT);
        EXPECT_EQ(IatColumn(d, dlg), (Strings{"Yes", "Yes", "No"}));
        d.SelectListRows(dlg, IDC_PAYMENT_LIST, {0});
        d.Click(dlg, IDC_RESET_IAT);
        EXPECT_EQ(IatColumn(d, dlg), (Strings{"No", "Yes", "No"}));
        // Unticking the box hides nothing and clears nothing.
        d.Click(dlg, IDC_IAT_MARKING);
        ExpectIatControls(d, dlg, false);
        EXPECT_EQ(IatColumn(d, dlg), (Strings{"No", "Yes", "No"}));
        PressOk(d, dlg);
    });
    EXPECT_EQ(out.result, IDOK);
    EXPECT_EQ(Codes(payments.Get()), (std::vector<long>{0, 1, 0}));
}

TEST_F(PayInfoDialogTest, CancelWithoutARealChangeDoesNotAsk)
{
    // Set with no row selected and typing in an edit change nothing.
    ComPtr<ICorvanePayments> payments = MakePayments(2);
    SetStatus(payments.Get(), 0, 1);
    const Outcome out = Open(payments.Get(), "", "", [&](Driver& d, HWND dlg) {
        d.Click(dlg, IDC_IAT_MARKING);
        d.SelectListRows(dlg, IDC_PAYMENT_LIST, {});
        d.Click(dlg, IDC_SET_IAT);
        EXPECT_EQ(IatColumn(d, dlg), (Strings{"Yes", "No"}));
        d.SetText(dlg, IDC_TEMPLATE, "TYPED");
        d.Click(dlg, IDC_FORMAT_STANDARD); // the format it already has
        d.ClickNoWait(dlg, IDCANCEL);
    });
    EXPECT_EQ(out.result, IDCANCEL);
    EXPECT_EQ(Codes(payments.Get()), (std::vector<long>{0, 0}));
}

TEST_F(PayInfoDialogTest, CancelAfterAChangeAsksAndNoKeepsTheDialogAndTheMarks)
{
    struct Case {
        const char* what;
        std::function<void(Driver&, HWND)> change;
    };
    const Case cases[] = {
        {"Set", [](Driver& d, HWND dlg) {
             d.Click(dlg, IDC_IAT_MARKING);
             d.SelectListRows(dlg, IDC_PAYMENT_LIST, {1});
             d.Click(dlg, IDC_SET_IAT);
         }},
        {"format", [](Driver& d, HWND dlg) { d.Click(dlg, IDC_FORMAT_AD_HOC_BULK); }},
        {"date", [](Driver& d, HWND dlg) { d.SetDate(dlg, IDC_PROCESSING_DATE, 2022, 6, 14); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ComPtr<ICorvanePayments> payments = MakePayments(3);
        SetStatus(payments.Get(), 2, 29);
        const Outcome out = Open(payments.Get(), "", "", [&](Driver& d, HWND dlg) {
            c.change(d, dlg);
            d.ClickNoWait(dlg, IDCANCEL);
            const MessageBoxInfo box = d.AnswerMessageBox(IDNO);
            EXPECT_EQ(box.caption, "Changes have been made");
            EXPECT_EQ(box.text, "Do you wish to ignore these changes?");
            EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
            EXPECT_TRUE(box.ShowsIcon(IDI_QUESTION));
            EXPECT_TRUE(IsWindowVisible(dlg));
            EXPECT_EQ(d.ListCell(dlg, IDC_PAYMENT_LIST, 2, 6), "Yes");
            d.ClickNoWait(dlg, IDCANCEL);
            d.AnswerMessageBox(IDYES);
        });
        EXPECT_EQ(out.result, IDCANCEL);
        EXPECT_EQ(Codes(payments.Get()), (std::vector<long>{0, 0, 0}));
    }
}

TEST_F(PayInfoDialogTest, TextsShowWhatTheCodePageConversionGivesCutToTheCell)
{
    ComPtr<ICorvanePayments> payments = MakePayments(1);
    const std::wstring name = L"Zo\u00eb \u03a9mega \u20ac \u4e2d\u6587 and a long tail of text";
    const std::wstring details(300, L'\u03a9');
    {
        ComPtr<ICorvanePayment> p;
        payments->Item(0, p.Put());
        Bstr n(name.c_str()), dt(details.c_str());
        p->put_PayeeAccountName(n.Get());
        p->put_Details(dt.Get());
    }
    // What the system's own conversion makes of a text, cut to a length.
    auto converted = [](const std::wstring& text, size_t length) {
        std::string out(text.size() * 2 + 1, '\0');
        const int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &out[0],
                                          static_cast<int>(out.size()), nullptr, nullptr);
        out.resize(static_cast<size_t>(n));
        return out.substr(0, length);
    };
    Open(payments.Get(), "", "", [&](Driver& d, HWND dlg) {
        EXPECT_EQ(d.ListCell(dlg, IDC_PAYMENT_LIST, 0, 2), converted(name, 31));
        EXPECT_EQ(d.ListCell(dlg, IDC_PAYMENT_LIST, 0, 5), converted(details, 254));
        d.ClickNoWait(dlg, IDCANCEL);
    });
}

TEST_F(PayInfoDialogTest, APaymentTheHostDoesNotDeliverKeepsAnEmptyRow)
{
    ComPtr<ICorvanePayments> payments = MakePayments(3);
    Bstr item(L"Item");
    host->FailCall(item.Get(), 1, E_FAIL); // only the first Item call succeeds
    Open(payments.Get(), "", "", [&](Driver& d, HWND dlg) {
        ASSERT_EQ(d.ListRowCount(dlg, IDC_PAYMENT_LIST), 3);
        EXPECT_EQ(d.ListCell(dlg, IDC_PAYMENT_LIST, 0, 2), "Payee 1");
        EXPECT_EQ(d.ListCell(dlg, IDC_PAYMENT_LIST, 1, 2), "");
        EXPECT_EQ(d.ListCell(dlg, IDC_PAYMENT_LIST, 2, 6), "");
        d.ClickNoWait(dlg, IDCANCEL);
    });
}

TEST_F(PayInfoDialogTest, CentresOverAVisibleOwnerInsideTheWorkArea)
{
    struct Case {
        const char* what;
        RECT owner;
        bool visible;
        bool onScreenCentre; // otherwise over the owner's centre
        bool atTopLeft;      // pushed back into the work area
    };
    const Case cases[] = {
        {"over the owner", {100, 100, 800, 600}, true, false, false},
        {"kept inside the work area", {0, 0, 100, 80}, true, false, true},
        {"hidden owner: the screen", {0, 0, 100, 80}, false, true, false},
    };
    ComPtr<ICorvanePayments> payments = MakePayments(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | (c.visible ? WS_VISIBLE : 0), c.owner.left,
                                     c.owner.top, c.owner.right - c.owner.left, c.owner.bottom - c.owner.top, nullptr,
                                     nullptr, nullptr, nullptr);
        ASSERT_TRUE(owner);
        RECT work, rect = {};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        Open(payments.Get(), "", "", [&](Driver& d, HWND dlg) {
            EXPECT_EQ(GetWindow(dlg, GW_OWNER), owner);
            GetWindowRect(dlg, &rect);
            d.ClickNoWait(dlg, IDCANCEL);
        }, owner);
        DestroyWindow(owner);
        const RECT& around = c.onScreenCentre ? work : c.owner;
        if (c.atTopLeft) {
            EXPECT_EQ(rect.left, work.left);
            EXPECT_EQ(rect.top, work.top);
        } else {
            EXPECT_LE(std::abs((rect.left + rect.right) - (around.left + around.right)), 2);
            EXPECT_LE(std::abs((rect.top + rect.bottom) - (around.top + around.bottom)), 2);
        }
    }
}
