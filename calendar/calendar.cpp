#include "calendar/calendar.h"

#include "platform/platform.h"
#include "platform/serial_date.h"

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

bool IsBankingDay(double date, Verdict& verdict)
{
    Day d;
    if (!ToDay(date, d)) {
        verdict = Verdict{Verdict::Refused, 0, NonBankingReason::None};
        return false;
    }
    verdict = MonthRule(d);
    if (verdict.kind == Verdict::Undecided)
        verdict = WeekdayRule(d);
    return verdict.kind == Verdict::Banking;
}

bool IsBanking(double date)
{
    Verdict verdict;
    return IsBankingDay(date, verdict);
}

// Whether a banking day lies strictly between the whole day `day` and the
// day of `later`.
bool HasBankingDayBetween(double day, double later)
{
    for (double d = day + 1; d < std::floor(later); ++d)
        if (IsBanking(d))
            return true;
    return false;
}

// The first banking day after date (time of day kept). No run of
// non-banking days is longer than four; past the last representable date
// there is none, and fallback is returned.
double NextBankingDayAfter(double date, double fallback)
{
    for (int step = 1; step <= 7; ++step)
        if (IsBanking(date + step))
            return date + step;
    return fallback;
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

bool IsBankingDay(double date, std::int32_t& daysToAdvance, NonBankingReason& reason)
{
    Verdict verdict;
    const bool banking = IsBankingDay(date, verdict);
    daysToAdvance = verdict.days;
    reason = verdict.reason;
    return banking;
}

double NextCreditingDate(double now)
{
    Day today;
    if (!ToDay(now, today))
        return now;

    // BACS three-day cycle: submitted today, credited two banking days later.
    // Thursday and Friday step over the weekend, Saturday counts from Monday.
    static const int kOffset[7] = {2, 2, 2, 2, 4, 4, 3};
    const double base = now + kOffset[today.weekday];

    // Bank holidays between now and base push the date on; weekend refusals
    // do not, as the offset already steps over the weekend.
    int holidays = 0;
    for (double d = today.serial + 1; d <= std::floor(base); ++d) {
        Verdict v;
        if (!IsBankingDay(d, v) && v.reason == NonBankingReason::BankHoliday)
            ++holidays;
    }

    // A payment is processed on a banking day and credited on the next one,
    // so at least one banking day must lie between submission and crediting.
    // Holidays that push the candidate over a weekend can skip that day
    // (Wednesday 24 December before a Thursday Christmas would give Monday
    // 29th with no processing day before it); then the candidate becomes the
    // processing day and the payment is credited on the banking day after.
    double candidate = base + holidays;
    for (int attempt = 0; attempt < 3; ++attempt) {
        Verdict v;
        if (IsBankingDay(candidate, v))
            return HasBankingDayBetween(today.serial, candidate) ? candidate : NextBankingDayAfter(candidate, now);
        candidate += v.days;
    }
    return now;
}

} // namespace qf
