// UK banking days for payment processing dates.
//
// Dates are OLE Automation serial dates (days since 30 December 1899, the
// time of day as the fraction). Every rule looks at the whole day only, so a
// time of day never changes an answer.
//
// Which weekdays are bank holidays (England and Wales), first match wins:
//  1. the user's own changes (HolidayChanges: days added, days removed);
//  2. for a year the built-in official list covers (it is generated from
//     calendar/data/england-wales-bank-holidays.txt), that list, which holds
//     the days moved or added by proclamation;
//  3. otherwise the rules of the fixed holidays: New Year, Good Friday,
//     Easter Monday, the early May, spring and summer bank holidays,
//     Christmas and Boxing Day with their substitute days.
// Saturdays and Sundays are never banking days and are always answered by
// the rules alone, whatever the lists say.
#pragma once
#include <cstdint>
#include <vector>

namespace qf {

// Why a date was refused; the values are stored and compared as 32-bit
// integers by callers, so they are fixed.
enum class NonBankingReason : std::int32_t {
    None = 0,        // a banking day (or no date at all, see IsBankingDay)
    BankHoliday = 1,
    Weekend = 2,
};

// The current local date and time (through the platform clock) as a serial
// date, time of day kept.
double Today();

// Monday to Friday. False for a value that is no calendar date.
bool IsWeekday(double date);

// Easter Sunday (midnight) of the Gregorian calendar for the year, as a
// serial date. Meaningful from 1583, the first Gregorian Easter.
double EasterSunday(int year);

// Days the user declares bank holidays (Add) or working days (Remove), one
// by one, over the built-in list and the rules. Only weekdays are affected:
// a Saturday or Sunday added or removed changes nothing. A day both added
// and removed counts as added: proposing a later date than needed is the
// smaller harm than one the bank does not process.
class HolidayChanges {
public:
    // Whole days as serial dates; the time of day is dropped. Values that
    // are no calendar date are ignored.
    void Add(double day);
    void Remove(double day);
    bool IsAdded(double day) const;
    bool IsRemoved(double day) const;
    bool Empty() const { return m_added.empty() && m_removed.empty(); }
    // The serial days, in order, without repeats.
    const std::vector<std::int32_t>& Added() const { return m_added; }
    const std::vector<std::int32_t>& Removed() const { return m_removed; }

private:
    std::vector<std::int32_t> m_added, m_removed;
};

// Classifies the date. For a banking day returns true with daysToAdvance 0
// and reason None. Otherwise returns false with the reason and the number of
// days to add to reach the next *likely* banking day: the count comes from
// the rule that refused the date and does not look further, so the day
// reached can itself be refused (the Saturday before Easter Monday gives 2).
// A value that is no calendar date at all (not finite, or outside the years
// 100 to 9999) is refused with 0 days and reason None: there is no day to
// advance to.
//
// A weekday that is a bank holiday by the built-in list or the user's
// changes reaches its count by looking ahead: the distance to the first later
// banking day. A weekday holiday by the rules keeps the rule's count, cut
// short where a banking day comes first and carried on to the next banking
// day where it lands on a day the user added. Saturdays and Sundays keep the
// rule's count whatever lies ahead.
bool IsBankingDay(double date, std::int32_t& daysToAdvance, NonBankingReason& reason);
bool IsBankingDay(double date, std::int32_t& daysToAdvance, NonBankingReason& reason, const HolidayChanges& user);

// The first date on which a BACS payment submitted at now can be credited:
// the second banking day after the day of now (processed on the first,
// credited on the second). The result keeps now's time of day; use its date
// only. Depends on the banking days only (no cut-off by time of day). Past
// the last representable date there is none, and now itself is returned.
double NextCreditingDate(double now);
double NextCreditingDate(double now, const HolidayChanges& user);

// Why a weekday is, or is not, a bank holiday.
enum class HolidaySource {
    None,        // a working day
    Rule,        // the rules of the fixed holidays
    BuiltInList, // the official list
    UserAdded,
    UserRemoved, // a working day because the user removed it
};

// The decision for one day as the calendar makes it. Saturdays, Sundays and
// values that are no date give None.
HolidaySource HolidaySourceOf(double date, const HolidayChanges& user);

// The first and last year the built-in list covers.
int BuiltInListFirstYear();
int BuiltInListLastYear();


} // namespace qf
