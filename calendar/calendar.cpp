#include "calendar/calendar.h"

#include "calendar/bank_holiday_list.h"
#include "platform/platform.h"
#include "platform/serial_date.h"

#include <algorithm>
#include <cmath>

namespace qf {
namespace {

enum Weekday { Sunday, Monday, Tuesday, Wednesday, Thursday, Friday, Saturday };

// What a rule decided about a day. A rule either refuses (days > 0), accepts
// outright, or leaves the day to the weekday rule.
struct Verdict {
    enum Kind { Undecided, Banking, Refused } kind = Undecided;
    std::int32_t days = 0;
    NonBankingReason reason = NonBankingReason::None;
};

const Verdict kUndecided{};
const Verdict kBanking{Verdict::Banking};

Verdict Holiday(std::int32_t days) { return {Verdict::Refused, days, NonBankingReason::BankHoliday}; }
Verdict Weekend(std::int32_t days) { return {Verdict::Refused, days, NonBankingReason::Weekend}; }

// A whole day we can classify: its serial day number and calendar fields.
struct Day {
    double serial = 0; // whole day, rounded down
    CalendarDate date;
    int weekday = 0;
};

bool ToDay(double value, Day& day)
{
    // SerialToDate refuses NaN, infinities and the years outside 100..9999,
    // which also keeps the day-of-week arithmetic within range.
    if (!SerialToDate(value, day.date))
        return false;
    day.serial = std::floor(value);
    day.weekday = DayOfWeek(day.serial);
    return true;
}

// New Year's Day and its substitute. When 1 January is a Saturday, both it and
// the Sunday are stepped over to Tuesday 4 January: Monday 3 January is the
// substitute holiday and is refused like Monday 2 January after a Sunday.
Verdict JanuaryRule(const Day& d)
{
    switch (d.date.day) {
    case 1:
        return d.weekday == Sunday ? Holiday(2) : d.weekday == Saturday ? Holiday(3) : Holiday(1);
    case 2:
        if (d.weekday == Monday)
            return Holiday(1);
        return d.weekday == Saturday || d.weekday == Sunday ? Holiday(2) : kBanking;
    case 3:
        return d.weekday == Monday ? Holiday(1) : kUndecided;
    default:
        return kUndecided;
    }
}

// Good Friday and Easter Monday, both of which can fall in March or April.
Verdict EasterRule(const Day& d)
{
    const double easter = EasterSunday(d.date.year);
    if (d.serial == easter - 2)
        return Holiday(4); // Friday to Tuesday over the weekend and Easter Monday
    if (d.serial == easter + 1)
        return Holiday(1);
    return kUndecided;
}

// Early May bank holiday (first Monday) and spring bank holiday (last Monday).
Verdict MayRule(const Day& d)
{
    if (d.weekday != Monday)
        return kUndecided;
    return d.date.day <= 7 || d.date.day >= 25 ? Holiday(1) : kBanking;
}

// Summer bank holiday: the last Monday.
Verdict AugustRule(const Day& d)
{
    if (d.weekday != Monday)
        return kUndecided;
    return d.date.day >= 25 ? Holiday(1) : kBanking;
}

// Christmas Day, Boxing Day and their substitutes, by day of the week of
// 25..28 December. A holiday on a Saturday or Sunday is refused as a weekend:
// NextCreditingDate counts only bank-holiday refusals as extra days, and the
// weekend is already part of its offset.
Verdict ChristmasRule(const Day& d)
{
    if (d.date.day < 25 || d.date.day > 28)
        return kUndecided;
    static const Verdict kTable[4][7] = {
        //  Sunday       Monday      Tuesday     Wednesday   Thursday    Friday      Saturday
        {Weekend(3), Holiday(2), Holiday(2), Holiday(2), Holiday(4), Holiday(4), Weekend(4)}, // 25th
        {Weekend(3), Holiday(2), Holiday(1), Holiday(1), Holiday(1), Holiday(3), Weekend(3)}, // 26th
        {Weekend(2), Holiday(2), Holiday(1), kBanking,   kBanking,   kBanking,   Weekend(2)}, // 27th
        {Weekend(1), Holiday(1), Holiday(1), kBanking,   kBanking,   kBanking,   Weekend(2)}, // 28th
    };
    return kTable[d.date.day - 25][d.weekday];
}

Verdict MonthRule(const Day& d)
{
    switch (d.date.month) {
    case 1: return JanuaryRule(d);
    case 3:
    case 4: return EasterRule(d);
    case 5: return MayRule(d);
    case 8: return AugustRule(d);
    case 12: return ChristmasRule(d);
    default: return kUndecided;
    }
}

Verdict WeekdayRule(const Day& d)
{
    if (d.weekday == Saturday)
        return Weekend(2);
    if (d.weekday == Sunday)
        return Weekend(1);
    return kBanking;
}

// The built-in list as serial days, in order, and the years it covers.
struct BuiltInList {
    std::vector<std::int32_t> days;
    std::vector<int> years;

    BuiltInList()
    {
        for (std::size_t i = 0; i < detail::kBuiltInHolidayCount; ++i) {
            const detail::BuiltInHoliday& h = detail::kBuiltInHolidays[i];
            double serial = 0;
            // The generator checks the form, not the calendar: a 30 February
            // would be no date, and is left out rather than guessed at.
            if (!DateToSerial(h.year, h.month, h.day, serial))
                continue;
            days.push_back(static_cast<std::int32_t>(serial));
            if (years.empty() || years.back() != h.year)
                years.push_back(h.year);
        }
        std::sort(days.begin(), days.end());
        std::sort(years.begin(), years.end());
        years.erase(std::unique(years.begin(), years.end()), years.end());
    }
    bool Covers(int year) const { return std::binary_search(years.begin(), years.end(), year); }
    bool Holds(double day) const
    {
        return std::binary_search(days.begin(), days.end(), static_cast<std::int32_t>(day));
    }
};

const BuiltInList& TheBuiltInList()
{
    static const BuiltInList list;
    return list;
}

const HolidayChanges kNoChanges;

bool IsWeekend(const Day& d) { return d.weekday == Saturday || d.weekday == Sunday; }

// Who decides a weekday, in the order they take precedence.
HolidaySource WeekdaySource(const Day& d, const HolidayChanges& user)
{
    if (user.IsAdded(d.serial))
        return HolidaySource::UserAdded;
    if (user.IsRemoved(d.serial))
        return HolidaySource::UserRemoved;
    const BuiltInList& list = TheBuiltInList();
    if (list.Covers(d.date.year))
        return list.Holds(d.serial) ? HolidaySource::BuiltInList : HolidaySource::None;
    return MonthRule(d).kind == Verdict::Refused ? HolidaySource::Rule : HolidaySource::None;
}

bool IsHoliday(HolidaySource source)
{
    return source == HolidaySource::Rule || source == HolidaySource::BuiltInList || source == HolidaySource::UserAdded;
}

bool IsBanking(const Day& d, const HolidayChanges& user) { return !IsWeekend(d) && !IsHoliday(WeekdaySource(d, user)); }

// Days from the day to the first later banking day, looking no further than
// limit days; limit when there is none that close. Past the last date there is
// no banking day, and the count stops there.
std::int32_t DaysToNextBankingDay(const Day& d, const HolidayChanges& user, std::int32_t limit)
{
    for (std::int32_t step = 1; step < limit; ++step) {
        Day next;
        if (!ToDay(d.serial + step, next))
            return step;
        if (IsBanking(next, user))
            return step;
    }
    return limit;
}

bool IsBankingDay(double date, Verdict& verdict, const HolidayChanges& user)
{
    Day d;
    if (!ToDay(date, d)) {
        verdict = Verdict{Verdict::Refused, 0, NonBankingReason::None};
        return false;
    }
    // The lists say which weekdays are holidays. A weekend keeps the rules'
    // refusal and count in every year, so the dialog's advice for a Saturday
    // or Sunday does not change with them.
    if (IsWeekend(d)) {
        verdict = MonthRule(d);
        if (verdict.kind == Verdict::Undecided)
            verdict = WeekdayRule(d);
        return verdict.kind == Verdict::Banking;
    }
    switch (WeekdaySource(d, user)) {
    case HolidaySource::Rule: {
        // The rule's count, unless the user made an earlier day a banking
        // day. Where it lands on a day the user added, the count goes on to
        // the next banking day: the user's own holiday is no likely banking day.
        verdict = MonthRule(d);
        verdict.days = DaysToNextBankingDay(d, user, verdict.days);
        Day landing;
        if (ToDay(d.serial + verdict.days, landing) && !IsBanking(landing, user) && IsBanking(landing, kNoChanges))
            verdict.days = DaysToNextBankingDay(d, user, INT32_MAX);
        return false;
    }
    case HolidaySource::BuiltInList:
    case HolidaySource::UserAdded:
        verdict = Holiday(DaysToNextBankingDay(d, user, INT32_MAX));
        return false;
    default:
        verdict = kBanking;
        return true;
    }
}

bool InsertSorted(std::vector<std::int32_t>& days, double value)
{
    CalendarDate date;
    if (!SerialToDate(value, date))
        return false;
    const auto day = static_cast<std::int32_t>(std::floor(value));
    const auto at = std::lower_bound(days.begin(), days.end(), day);
    if (at == days.end() || *at != day)
        days.insert(at, day);
    return true;
}

bool ContainsDay(const std::vector<std::int32_t>& days, double value)
{
    if (!std::isfinite(value))
        return false;
    const double day = std::floor(value);
    if (day < INT32_MIN || day > INT32_MAX)
        return false;
    return std::binary_search(days.begin(), days.end(), static_cast<std::int32_t>(day));
}

// Floored modulo: the result lies in 0..m-1 whatever the sign of a.
long long PositiveMod(long long a, long long m)
{
    const long long r = a % m;
    return r < 0 ? r + m : r;
}

} // namespace

double Today()
{
    const platform::LocalTime now = platform::Now();
    double serial = 0;
    if (!DateToSerial(now.year, now.month, now.day, serial))
        return 0; // the system clock always gives a valid date; a broken test clock lands on day 0
    const double ms = ((now.hour * 60.0 + now.minute) * 60.0 + now.second) * 1000.0 + now.milliseconds;
    return serial + ms / 86400000.0;
}

bool IsWeekday(double date)
{
    Day d;
    return ToDay(date, d) && d.weekday != Saturday && d.weekday != Sunday;
}

double EasterSunday(int year)
{
    // Knuth's Gregorian computus with the golden number and century counted
    // from 0. Wide integers, so that no year overflows.
    const long long y = year;
    const long long g = PositiveMod(y, 19);
    const long long c = y / 100;
    const long long x = (3 * (c + 1)) / 4 - 12;        // years in which a leap day was dropped
    const long long z = (8 * c + 13) / 25;             // correction of the moon's orbit
    const long long d = (5 * y) / 4 - x - 10;          // March (-d mod 7) is a Sunday
    long long e = PositiveMod(11 * g + z - x + 26, 30); // epact
    if ((e == 25 && g >= 11) || e == 24)
        ++e;
    long long n = 44 - e; // day of March of the full moon
    if (n < 21)
        n += 30;
    n = n + 7 - PositiveMod(d + n, 7); // the Sunday after it
    CalendarDate easter;
    easter.year = year;
    easter.month = n > 31 ? 4 : 3;
    easter.day = static_cast<int>(n > 31 ? n - 31 : n);
    return DateToSerial(easter);
}

void HolidayChanges::Add(double day) { InsertSorted(m_added, day); }
void HolidayChanges::Remove(double day) { InsertSorted(m_removed, day); }
bool HolidayChanges::IsAdded(double day) const { return ContainsDay(m_added, day); }
bool HolidayChanges::IsRemoved(double day) const { return ContainsDay(m_removed, day); }

bool IsBankingDay(double date, std::int32_t& daysToAdvance, NonBankingReason& reason)
{
    return IsBankingDay(date, daysToAdvance, reason, kNoChanges);
}

bool IsBankingDay(double date, std::int32_t& daysToAdvance, NonBankingReason& reason, const HolidayChanges& user)
{
    Verdict verdict;
    const bool banking = IsBankingDay(date, verdict, user);
    daysToAdvance = verdict.days;
    reason = verdict.reason;
    return banking;
}

double NextCreditingDate(double now) { return NextCreditingDate(now, kNoChanges); }

double NextCreditingDate(double now, const HolidayChanges& user)
{
    Day today;
    if (!ToDay(now, today))
        return now;
    // BACS three-day cycle: processed on the first banking day after
    // submission, credited on the second. Counting banking days themselves
    // rather than adding holidays to a weekday offset keeps weekend holidays
    // and their substitutes from being stepped over twice.
    int banking = 0;
    for (double step = 1;; ++step) {
        Day d;
        if (!ToDay(today.serial + step, d))
            return now;
        if (IsBanking(d, user) && ++banking == 2)
            return now + step;
    }
}

HolidaySource HolidaySourceOf(double date, const HolidayChanges& user)
{
    Day d;
    if (!ToDay(date, d) || IsWeekend(d))
        return HolidaySource::None;
    return WeekdaySource(d, user);
}

int BuiltInListFirstYear()
{
    const BuiltInList& list = TheBuiltInList();
    return list.years.empty() ? 0 : list.years.front();
}

int BuiltInListLastYear()
{
    const BuiltInList& list = TheBuiltInList();
    return list.years.empty() ? 0 : list.years.back();
}

} // namespace qf
