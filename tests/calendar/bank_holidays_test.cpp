// The calendar with the official holiday list and the user's own changes:
// the list against the published data file itself, every other year against
// the rules as they were before there was a list, and the crediting date as
// the second banking day after submission.
#include "calendar/calendar.h"

#include "platform/serial_date.h"

#include <gtest/gtest.h>

#include "tests/calendar/calendar_cases.h"

#include <cmath>
#include <fstream>
#include <set>
#include <string>

using namespace qf;

namespace {

struct Answer {
    bool banking;
    std::int32_t days;
    NonBankingReason reason;
    bool operator==(const Answer& o) const { return banking == o.banking && days == o.days && reason == o.reason; }
};

std::ostream& operator<<(std::ostream& out, const Answer& a)
{
    return out << (a.banking ? "banking" : "refused") << ", " << a.days << " days, reason " << static_cast<int>(a.reason);
}

Answer Classify(double s, const HolidayChanges& user = {})
{
    Answer a{false, -1, NonBankingReason(-1)};
    a.banking = IsBankingDay(s, a.days, a.reason, user);
    return a;
}

// How the calendar answered before it had a list: the fixed holidays' rules
// alone, kept here as they were so that a change to the rules shows up.
Answer RulesAsBefore(double s)
{
    CalendarDate date;
    SerialToDate(s, date);
    const int wd = DayOfWeek(std::floor(s));
    const Answer banking{true, 0, None};
    auto holiday = [](int days) { return Answer{false, days, BH}; };
    auto weekend = [](int days) { return Answer{false, days, WE}; };
    const double easter = EasterSunday(date.year);
    switch (date.month) {
    case 1:
        if (date.day == 1)
            return holiday(wd == Sun ? 2 : wd == Sat ? 3 : 1);
        if (date.day == 2)
            return wd == Mon ? holiday(1) : (wd == Sat || wd == Sun) ? holiday(2) : banking;
        if (date.day == 3 && wd == Mon)
            return holiday(1);
        break;
    case 3:
    case 4:
        if (std::floor(s) == easter - 2)
            return holiday(4);
        if (std::floor(s) == easter + 1)
            return holiday(1);
        break;
    case 5:
        if (wd == Mon)
            return date.day <= 7 || date.day >= 25 ? holiday(1) : banking;
        break;
    case 8:
        if (wd == Mon)
            return date.day >= 25 ? holiday(1) : banking;
        break;
    case 12:
        if (date.day >= 25 && date.day <= 28) {
            static const int kDays[4][7] = {
                {3, 2, 2, 2, 4, 4, 4}, {3, 2, 1, 1, 1, 3, 3}, {2, 2, 1, 0, 0, 0, 2}, {1, 1, 1, 0, 0, 0, 2}};
            const int days = kDays[date.day - 25][wd];
            if (days == 0)
                return banking;
            return wd == Sat || wd == Sun ? weekend(days) : holiday(days);
        }
        break;
    default:
        break;
    }
    return wd == Sat ? weekend(2) : wd == Sun ? weekend(1) : banking;
}

// The published list, read from the data file the build generates its table
// from, so that the generator is checked too.
std::set<double> OfficialList(int& firstYear, int& lastYear)
{
    std::set<double> days;
    std::ifstream in(QF_HOLIDAY_DATA);
    EXPECT_TRUE(in.good()) << "cannot read " << QF_HOLIDAY_DATA;
    firstYear = 9999, lastYear = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        int y = 0, m = 0, d = 0;
        char tail = 0;
        EXPECT_EQ(std::sscanf(line.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail), 3) << line;
        days.insert(Serial(y, m, d));
        firstYear = std::min(firstYear, y);
        lastYear = std::max(lastYear, y);
    }
    return days;
}

// The n-th banking day after the day of s, found by asking day by day.
double NthBankingDayAfter(double s, int n, const HolidayChanges& user)
{
    double d = std::floor(s);
    while (n > 0) {
        ++d;
        if (Classify(d, user).banking)
            --n;
    }
    return d;
}

bool IsWeekend(double s) { return DayOfWeek(std::floor(s)) == Sat || DayOfWeek(std::floor(s)) == Sun; }

} // namespace

TEST(BuiltInListTest, EveryDayOfItsYearsIsABankingDayUnlessListedOrAWeekend)
{
    int firstYear = 0, lastYear = 0;
    const std::set<double> official = OfficialList(firstYear, lastYear);
    ASSERT_EQ(firstYear, 2019);
    ASSERT_EQ(lastYear, 2027);
    ASSERT_EQ(BuiltInListFirstYear(), firstYear);
    ASSERT_EQ(BuiltInListLastYear(), lastYear);
    // The proclaimed days the rules cannot know, and the days they moved from.
    for (double day : {Serial(2020, 5, 8), Serial(2022, 6, 2), Serial(2022, 6, 3), Serial(2022, 9, 19),
                       Serial(2023, 5, 8)})
        ASSERT_EQ(official.count(day), 1u);
    ASSERT_EQ(official.count(Serial(2020, 5, 4)), 0u);
    ASSERT_EQ(official.count(Serial(2022, 5, 30)), 0u);

    for (double s = Serial(firstYear, 1, 1); s <= Serial(lastYear, 12, 31); ++s) {
        SCOPED_TRACE(testing::Message() << "serial " << s);
        const Answer a = Classify(s);
        ASSERT_EQ(a.banking, !IsWeekend(s) && official.count(s) == 0);
        if (IsWeekend(s)) {
            ASSERT_EQ(a, RulesAsBefore(s));
        } else if (!a.banking) {
            // Counted to the first banking day, so the dialog's advice is right.
            ASSERT_EQ(a.reason, BH);
            ASSERT_GE(a.days, 1);
            ASSERT_EQ(s + a.days, NthBankingDayAfter(s, 1, {}));
        } else {
            ASSERT_EQ(a, (Answer{true, 0, None}));
        }
    }
}

TEST(BuiltInListTest, EveryOtherYearFrom1900To2199AnswersExactlyAsTheRulesAlwaysHave)
{
    for (double s = Serial(1900, 1, 1); s <= Serial(2199, 12, 31); ++s) {
        CalendarDate date;
        SerialToDate(s, date);
        // Weekends keep the rules' answers in the list's years too.
        if (date.year >= 2019 && date.year <= 2027 && !IsWeekend(s))
            continue;
        ASSERT_EQ(Classify(s + 0.5), RulesAsBefore(s)) << date.year << '-' << date.month << '-' << date.day;
    }
}

TEST(BankHolidayTest, ProclaimedDaysOf2022)
{
    struct {
        int y, m, d, weekday;
        Answer expected;
    } const kCases[] = {
        {2021, 12, 25, Sat, {false, 4, WE}}, // Christmas on a Saturday keeps its weekend answer
        {2022, 6, 2, Thu, {false, 4, BH}},   // the moved spring holiday: to Monday 6 June
        {2022, 6, 3, Fri, {false, 3, BH}},   // the added day
        {2022, 6, 6, Mon, {true, 0, None}},
        {2022, 9, 19, Mon, {false, 1, BH}},
        {2022, 5, 30, Mon, {true, 0, None}}, // where the rules put the spring holiday
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.y << '-' << c.m << '-' << c.d);
        ASSERT_EQ(DayOfWeek(Serial(c.y, c.m, c.d)), c.weekday);
        EXPECT_EQ(Classify(Serial(c.y, c.m, c.d)), c.expected);
    }
}

TEST(NextCreditingDateTest, IsTheSecondBankingDayAfterSubmissionFrom1900To2199)
{
    const HolidayChanges none;
    HolidayChanges user;
    user.Add(Serial(2030, 4, 23)); // the Tuesday after Easter Monday
    const HolidayChanges* const kSets[] = {&none, &user};
    for (const HolidayChanges* changes : kSets) {
        for (double s = Serial(1900, 1, 1); s <= Serial(2199, 12, 31); ++s) {
            const double now = s + 0.25;
            ASSERT_EQ(NextCreditingDate(now, *changes), NthBankingDayAfter(s, 2, *changes) + 0.25)
                << "serial " << s << (changes == &user ? " with the added day" : "");
        }
    }
    // Without changes is the same as with none.
    for (double s = Serial(2021, 12, 1); s <= Serial(2022, 1, 31); ++s)
        ASSERT_EQ(NextCreditingDate(s), NextCreditingDate(s, none));
}

TEST(NextCreditingDateTest, Examples)
{
    HolidayChanges user;
    user.Add(Serial(2030, 4, 23));
    struct {
        int y, m, d, weekday;
        int ey, em, ed;
        const HolidayChanges* changes;
    } const kCases[] = {
        {2022, 6, 1, Wed, 2022, 6, 7, nullptr},    // over the two June holidays
        {2021, 12, 30, Thu, 2022, 1, 4, nullptr},  // processed on Friday 31st, credited after the substitute day
        {2030, 4, 17, Wed, 2030, 4, 24, &user},    // Thursday, then Easter and the user's Tuesday
        {2030, 4, 17, Wed, 2030, 4, 23, nullptr},
        {2030, 4, 18, Thu, 2030, 4, 25, &user},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.y << '-' << c.m << '-' << c.d);
        const double now = Serial(c.y, c.m, c.d) + 0.6;
        ASSERT_EQ(DayOfWeek(now), c.weekday);
        const double next = c.changes ? NextCreditingDate(now, *c.changes) : NextCreditingDate(now);
        EXPECT_EQ(next, Serial(c.ey, c.em, c.ed) + 0.6);
    }
}

TEST(UserChangesTest, AddedWeekdayIsAHolidayCountedToTheNextBankingDay)
{
    HolidayChanges user;
    user.Add(Serial(2030, 4, 23) + 0.7); // the time of day plays no part
    user.Add(Serial(2030, 4, 24));
    user.Add(Serial(2030, 4, 24)); // twice is once
    EXPECT_EQ(user.Added().size(), 2u);
    EXPECT_TRUE(user.IsAdded(Serial(2030, 4, 23) + 0.1));
    EXPECT_EQ(Classify(Serial(2030, 4, 23), user), (Answer{false, 2, BH}));
    EXPECT_EQ(Classify(Serial(2030, 4, 24), user), (Answer{false, 1, BH}));
    EXPECT_EQ(Classify(Serial(2030, 4, 23)), (Answer{true, 0, None}));
    // A rule holiday's count does not stop on a day the user added...
    EXPECT_EQ(Classify(Serial(2030, 4, 22), user), (Answer{false, 3, BH}));
    EXPECT_EQ(Classify(Serial(2030, 4, 19), user), (Answer{false, 6, BH}));
    // ...but keeps landing where the rule itself lands: Friday 1 January on
    // the Saturday.
    user.Add(Serial(2010, 1, 5));
    EXPECT_EQ(Classify(Serial(2010, 1, 1), user), (Answer{false, 1, BH}));
    // In a year the list covers, the user still wins over it.
    user.Add(Serial(2022, 6, 6));
    EXPECT_EQ(Classify(Serial(2022, 6, 2), user), (Answer{false, 5, BH}));
    EXPECT_EQ(HolidaySourceOf(Serial(2022, 6, 6), user), HolidaySource::UserAdded);
}

TEST(UserChangesTest, RemovedHolidayIsABankingDay)
{
    HolidayChanges user;
    user.Remove(Serial(2030, 5, 6));  // the early May holiday by the rules
    user.Remove(Serial(2022, 6, 3));  // a day of the official list
    user.Remove(Serial(2030, 5, 7));  // an ordinary working day stays one
    EXPECT_EQ(Classify(Serial(2030, 5, 6), user), (Answer{true, 0, None}));
    EXPECT_EQ(Classify(Serial(2030, 5, 6)), (Answer{false, 1, BH}));
    EXPECT_EQ(Classify(Serial(2030, 5, 7), user), (Answer{true, 0, None}));
    EXPECT_EQ(Classify(Serial(2022, 6, 3), user), (Answer{true, 0, None}));
    EXPECT_EQ(Classify(Serial(2022, 6, 2), user), (Answer{false, 1, BH}));
    EXPECT_EQ(NextCreditingDate(Serial(2030, 5, 2), user), Serial(2030, 5, 6));
    EXPECT_EQ(NextCreditingDate(Serial(2030, 5, 2)), Serial(2030, 5, 7));
    EXPECT_EQ(HolidaySourceOf(Serial(2030, 5, 6), user), HolidaySource::UserRemoved);

    // The rule's count stops at a banking day the user made: Christmas on a
    // Thursday would otherwise send the user past Friday to Monday.
    ASSERT_EQ(DayOfWeek(Serial(2031, 12, 25)), Thu);
    EXPECT_EQ(Classify(Serial(2031, 12, 25)), (Answer{false, 4, BH}));
    user.Remove(Serial(2031, 12, 26));
    EXPECT_EQ(Classify(Serial(2031, 12, 25), user), (Answer{false, 1, BH}));
}

TEST(UserChangesTest, WeekendsAreNotChangedAndAddWinsOverRemove)
{
    HolidayChanges user;
    user.Add(Serial(2030, 4, 27));   // a Saturday
    user.Remove(Serial(2021, 12, 25)); // Christmas on a Saturday
    user.Remove(Serial(2022, 1, 2));   // a Sunday refused as the New Year holiday
    for (double s : {Serial(2030, 4, 27), Serial(2021, 12, 25), Serial(2022, 1, 2)}) {
        ASSERT_TRUE(IsWeekend(s));
        EXPECT_EQ(Classify(s, user), RulesAsBefore(s)) << s;
        EXPECT_EQ(HolidaySourceOf(s, user), HolidaySource::None);
    }
    user.Add(Serial(2030, 6, 12));
    user.Remove(Serial(2030, 6, 12));
    EXPECT_EQ(Classify(Serial(2030, 6, 12), user), (Answer{false, 1, BH}));
}

TEST(UserChangesTest, ValuesThatAreNoDatesAreNotKept)
{
    HolidayChanges user;
    user.Add(std::nan(""));
    user.Add(1e300);
    user.Remove(-1e300);
    EXPECT_TRUE(user.Empty());
    EXPECT_FALSE(user.IsAdded(std::nan("")));
    EXPECT_FALSE(user.IsRemoved(1e300));
}

TEST(HolidaySourceTest, NamesWhoDecidedEachWeekday)
{
    EXPECT_EQ(HolidaySourceOf(Serial(2022, 6, 2), {}), HolidaySource::BuiltInList);
    EXPECT_EQ(HolidaySourceOf(Serial(2022, 12, 26), {}), HolidaySource::BuiltInList);
    EXPECT_EQ(HolidaySourceOf(Serial(2030, 12, 25), {}), HolidaySource::Rule);
    EXPECT_EQ(HolidaySourceOf(Serial(2018, 8, 27), {}), HolidaySource::Rule);
    EXPECT_EQ(HolidaySourceOf(Serial(2022, 5, 30), {}), HolidaySource::None);
    EXPECT_EQ(HolidaySourceOf(Serial(2022, 6, 4), {}), HolidaySource::None); // Saturday
    EXPECT_EQ(HolidaySourceOf(std::nan(""), {}), HolidaySource::None);
}
