// UK banking days for payment processing dates.
//
// Dates are OLE Automation serial dates (days since 30 December 1899, the
// time of day as the fraction). Every rule looks at the whole day only, so a
// time of day never changes an answer. The bank holidays known here are the
// fixed England and Wales ones: New Year, Good Friday, Easter Monday, the early
// May, spring and summer bank holidays, Christmas and Boxing Day with their
// substitute days. Holidays moved or added by proclamation for a single year
// are not known.
#pragma once
#include <cstdint>

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

// Classifies the date. For a banking day returns true with daysToAdvance 0
// and reason None. Otherwise returns false with the reason and the number of
// days to add to reach the next *likely* banking day: the count comes from
// the rule that refused the date and does not look further, so the day
// reached can itself be refused (the Saturday before Easter Monday gives 2).
// A value that is no calendar date at all (not finite, or outside the years
// 100 to 9999) is refused with 0 days and reason None: there is no day to
// advance to.
bool IsBankingDay(double date, std::int32_t& daysToAdvance, NonBankingReason& reason);

// The first date on which a BACS payment submitted at now can be credited:
// two banking days after submission, moved past the bank holidays in between.
// The result keeps now's time of day; use its date only. Depends on the day of
// the week and the holidays only (no cut-off by time of day). Should the
// search not settle within three candidates, now itself is returned.
double NextCreditingDate(double now);

} // namespace qf
