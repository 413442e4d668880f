// The user's own bank holiday changes as they are written in the settings:
// two lists of single dates, DD/MM/YYYY, separated by commas or white space,
// of any length. A list holds days, not yearly rules: a holiday repeated
// every year is written once for each year.
#pragma once
#include <string>

#include "calendar/calendar.h"

namespace qf {

// One date as DD/MM/YYYY (day and month may drop a leading zero; the year has
// four digits). False, and serial untouched, for anything else, including
// dates that do not exist such as 29/02/2030.
bool ParseHolidayDate(const std::string& text, double& serial);

// The changes from the two lists' texts (null reads as empty). An entry that
// is no date is left out, and a line on the debug output names it and its
// list; nothing else stops the rest of the list from being read. An added
// Saturday or Sunday is kept (it changes nothing) and named on the debug
// output too, as it is most likely a mistyped date.
HolidayChanges ParseHolidayChanges(const char* addList, const char* removeList);

} // namespace qf
