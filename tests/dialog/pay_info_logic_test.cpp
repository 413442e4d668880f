// The options dialog's decisions without its window, on a fixed clock.
#include "payments/pay_info_logic.h"

#include "calendar/calendar.h"
#include "platform/platform.h"
#include "platform/serial_date.h"
#include "tests/dialog/memory_batch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace qf;
using qf::test::MemoryBatch;
using qf::test::StoredPayment;

namespace {

platform::LocalTime g_now;
platform::LocalTime FixedClock() { return g_now; }

double Day(int y, int m, int d)
{
    double s = 0;
    EXPECT_TRUE(DateToSerial(y, m, d, s));
    return s;
}

CalendarDate DateOf(double serial)
{
    CalendarDate date;
    EXPECT_TRUE(SerialToDate(serial, date));
    return date;
}

class PayInfoLogicTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previous = platform::SetClock(FixedClock);
        SetToday(2022, 6, 9); // a Thursday
    }
    void TearDown() override { platform::SetClock(m_previous); }

    static void SetToday(int y, int m, int d, int hour = 10, int minute = 30)
    {
        g_now = {};
        g_now.year = y, g_now.month = m, g_now.day = d, g_now.hour = hour, g_now.minute = minute;
    }

    MemoryBatch batch{3};
    PayInfoLogic logic{batch, "TEMPLATE NAME", "BEN REF"};

private:
    platform::ClockFn m_previous = nullptr;
};

const char* const kPast = "The processing date you specify for payments MUST be on or after the current system date.";
const char* const kTooFar = "The processing date specified is too far in the future.\r"
                            "Processing dates can be at most 45 days after today's date.";
const char* const kWeekend = "The date you specified falls on a weekend. Try advancing the date \r\n";

} // namespace

TEST_F(PayInfoLogicTest, ProposesTheNextCreditingDateFromToday)
{
    struct Case {
        CalendarDate today;
        int hour;
        CalendarDate proposed;
    };
    const Case cases[] = {
        {{2022, 6, 9}, 10, {2022, 6, 13}},   // Thursday: the following Monday
        {{2022, 6, 9}, 23, {2022, 6, 13}},   // late in the day: no cut-off
        {{2022, 6, 6}, 0, {2022, 6, 8}},     // Monday: Wednesday
        {{2022, 4, 13}, 12, {2022, 4, 19}},  // over Easter
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.today.year << '-' << c.today.month << '-' << c.today.day);
        SetToday(c.today.year, c.today.month, c.today.day, c.hour);
        PayInfoLogic fresh(batch, "", "");
        fresh.Open();
        EXPECT_EQ(DateOf(fresh.ProcessingDate()), c.proposed);
        EXPECT_FALSE(fresh.ChangesMade());
    }
}

// The proposal and the checks on OK go by the same holidays: the official
// list's and the user's own.
TEST_F(PayInfoLogicTest, ProposalAndChecksFollowTheListAndTheUsersChanges)
{
    const std::string holiday = "The date you specified falls on a Bank holiday. Try advancing the date \r\n";
    SetToday(2022, 6, 1, 16);
    PayInfoLogic june2022(batch, "", "");
    june2022.Open();
    EXPECT_EQ(DateOf(june2022.ProcessingDate()), (CalendarDate{2022, 6, 7})); // Monday, then over 2 and 3 June
    SetToday(2022, 5, 20);
    PayInfoLogic may2022(batch, "", "");
    may2022.Open();
    ASSERT_TRUE(may2022.ChangeProcessingDate(Day(2022, 6, 2)));
    std::optional<DateRefusal> refusal = may2022.CheckProcessingDate();
    ASSERT_TRUE(refusal.has_value());
    EXPECT_STREQ(refusal->caption, "Non-Banking Date Specified");
    EXPECT_EQ(std::string(refusal->text), holiday + "4 days to the next likely Banking Day.");
    ASSERT_TRUE(may2022.ChangeProcessingDate(Day(2022, 5, 30)));
    EXPECT_FALSE(may2022.CheckProcessingDate().has_value()); // the spring holiday moved away

    HolidayChanges user;
    user.Add(Day(2030, 4, 23));
    user.Remove(Day(2030, 5, 6));
    SetToday(2030, 4, 17, 9);
    PayInfoLogic withChanges(batch, "", "", user);
    PayInfoLogic without(batch, "", "");
    withChanges.Open();
    without.Open();
    EXPECT_EQ(DateOf(withChanges.ProcessingDate()), (CalendarDate{2030, 4, 24}));
    EXPECT_EQ(DateOf(without.ProcessingDate()), (CalendarDate{2030, 4, 23}));
    ASSERT_TRUE(withChanges.ChangeProcessingDate(Day(2030, 4, 23)));
    refusal = withChanges.CheckProcessingDate();
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(std::string(refusal->text), holiday + "1 day to the next likely Banking Day.");
    ASSERT_TRUE(withChanges.ChangeProcessingDate(Day(2030, 5, 6)));
    EXPECT_FALSE(withChanges.CheckProcessingDate().has_value());
    ASSERT_TRUE(without.ChangeProcessingDate(Day(2030, 5, 6)));
    EXPECT_TRUE(without.CheckProcessingDate().has_value());
}

TEST_F(PayInfoLogicTest, OnlyARealChangeOfFormatOrDateCounts)
{
    logic.Open();
    logic.SelectFormat(PaymentFormat::Standard); // the format it already has
    EXPECT_FALSE(logic.ChangesMade());
    // The same day at another time of day.
    EXPECT_TRUE(logic.ChangeProcessingDate(std::floor(logic.ProcessingDate()) + 0.75));
    EXPECT_FALSE(logic.ChangesMade());
    // Not a date at all: refused, nothing changes.
    const double before = logic.ProcessingDate();
    EXPECT_FALSE(logic.ChangeProcessingDate(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(logic.ChangeProcessingDate(1e9));
    EXPECT_EQ(logic.ProcessingDate(), before);
    EXPECT_FALSE(logic.ChangesMade());

    EXPECT_TRUE(logic.ChangeProcessingDate(Day(2022, 6, 14)));
    EXPECT_TRUE(logic.ChangesMade());
    EXPECT_EQ(logic.ProcessingDate(), Day(2022, 6, 14));

    PayInfoLogic other(batch, "", "");
    other.SelectFormat(PaymentFormat::AdHocBulk);
    EXPECT_TRUE(other.ChangesMade());
}

TEST_F(PayInfoLogicTest, DateChecksOnOk)
{
    struct Case {
        const char* what;
        CalendarDate today;
        int hour;
        double date;
        const char* caption; // null: accepted
        std::string text;
    };
    const Case cases[] = {
        {"today, a banking day", {2022, 6, 9}, 10, Day(2022, 6, 9), nullptr, ""},
        {"today at midnight, checked late at night", {2022, 6, 9}, 23, Day(2022, 6, 9), nullptr, ""},
        {"yesterday, late", {2022, 6, 9}, 10, Day(2022, 6, 8) + 0.99, "Invalid Banking Date Specified", kPast},
        {"45 days ahead, a Thursday", {2022, 6, 6}, 10, Day(2022, 7, 21), nullptr, ""},
        {"46 days ahead, a Friday", {2022, 6, 6}, 10, Day(2022, 7, 22), "Invalid Processing Date Specified", kTooFar},
        {"Christmas Day on a Saturday", {2021, 12, 20}, 10, Day(2021, 12, 25), "Non-Banking Date Specified",
         std::string(kWeekend) + "4 days to the next likely Banking Day."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetToday(c.today.year, c.today.month, c.today.day, c.hour, 59);
        ASSERT_TRUE(logic.ChangeProcessingDate(c.date));
        const std::optional<DateRefusal> refusal = logic.CheckProcessingDate();
        if (!c.caption) {
            EXPECT_FALSE(refusal.has_value()) << refusal->caption;
            continue;
        }
        ASSERT_TRUE(refusal.has_value());
        EXPECT_STREQ(refusal->caption, c.caption);
        EXPECT_EQ(std::string(refusal->text), c.text);
    }
}

TEST_F(PayInfoLogicTest, MarksAreWrittenOnTheHostsPayments)
{
    // Nothing selected: no write, no change.
    EXPECT_FALSE(logic.MarkPayments({}, 1));
    EXPECT_FALSE(logic.ChangesMade());
    EXPECT_EQ(batch.payments[0].statusWrites + batch.payments[1].statusWrites + batch.payments[2].statusWrites, 0);

    EXPECT_TRUE(logic.MarkPayments({0, 2}, 1));
    EXPECT_TRUE(logic.ChangesMade());
    EXPECT_EQ(batch.Codes(), (std::vector<std::int32_t>{1, 0, 1}));

    // A payment the host does not deliver is skipped; the others are marked.
    batch.payments[0].delivered = false;
    EXPECT_TRUE(logic.MarkPayments({0, 1, 2}, 0));
    EXPECT_EQ(batch.Codes(), (std::vector<std::int32_t>{1, 0, 0}));
}

TEST_F(PayInfoLogicTest, CancelClearsEveryDeliveredPayment)
{
    batch.payments[0].statusCode = 29; // left from an earlier run
    batch.payments[1].statusCode = 1;
    batch.payments[2].statusCode = 1;
    batch.payments[1].delivered = false;
    logic.ClearMarks();
    EXPECT_EQ(batch.Codes(), (std::vector<std::int32_t>{0, 1, 0}));
    EXPECT_FALSE(logic.ChangesMade());
}

TEST_F(PayInfoLogicTest, OkCutsTheTextsToWhatTheFileHolds)
{
    logic.Accept("ABCDEFGHIJKLMNOPQRSTUVWXY", "1234567890123456789");
    EXPECT_STREQ(logic.Template(), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_STREQ(logic.BeneficiaryReference(), "123456789012345678");
    logic.Accept("", "");
    EXPECT_STREQ(logic.Template(), "");
    EXPECT_STREQ(logic.BeneficiaryReference(), "");
}

TEST_F(PayInfoLogicTest, RowsShowThePaymentCutToTheColumns)
{
    StoredPayment& p = batch.payments[1];
    p.payeeSortCode = "12-34-56-78-90";
    p.payeeAccountNumber = std::string(40, '7');
    p.payeeAccountName = std::string(40, 'N');
    p.amount = 1234.5;
    p.payeeBACSReference = std::string(40, 'R');
    p.details = std::string(300, 'D');
    p.statusCode = 29; // any code but 0 reads as marked
    batch.payments[2].amount = -0.125;
    batch.payments[0].delivered = false;

    const PaymentRow row = logic.Row(1);
    EXPECT_STREQ(row[0], "12-34-56-7");
    EXPECT_EQ(std::string(row[1]), std::string(29, '7'));
    EXPECT_EQ(std::string(row[2]), std::string(31, 'N'));
    EXPECT_STREQ(row[3], "1234.50");
    EXPECT_EQ(std::string(row[4]), std::string(31, 'R'));
    EXPECT_EQ(std::string(row[5]), std::string(254, 'D'));
    EXPECT_STREQ(row[6], "Yes");

    const PaymentRow other = logic.Row(2);
    EXPECT_STREQ(other[2], "Payee");
    EXPECT_STREQ(other[3], "-0.12");
    EXPECT_STREQ(other[6], "No");

    for (const CString& cell : logic.Row(0)) // not delivered: an empty row
        EXPECT_STREQ(cell, "");
    EXPECT_EQ(logic.PaymentCount(), 3);
}

TEST_F(PayInfoLogicTest, OnlyTheTemplateFormatsNeedATemplateName)
{
    const struct {
        PaymentFormat format;
        bool needsName;
    } cases[] = {{PaymentFormat::Standard, false},
                 {PaymentFormat::Template, true},
                 {PaymentFormat::BulkList, true},
                 {PaymentFormat::AdHocBulk, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.format));
        logic.SelectFormat(c.format);
        EXPECT_EQ(logic.TemplateMissing(""), c.needsName);
        EXPECT_EQ(logic.TemplateMissing(nullptr), c.needsName);
        EXPECT_FALSE(logic.TemplateMissing("X")) << "one character is a name";
        EXPECT_FALSE(logic.TemplateMissing(" ")) << "what the user typed is taken as typed";
    }
}
