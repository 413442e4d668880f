# Turns the bank-holiday data file (one ISO date a line, '#' comments) into a
# C++ source with the days as a table, so that no date is typed into code.
# Run as a script: cmake -DINPUT=<file> -DOUTPUT=<file> -P bank-holiday-list.cmake
if(NOT INPUT OR NOT OUTPUT)
  message(FATAL_ERROR "bank-holiday-list: INPUT and OUTPUT are required")
endif()

file(STRINGS "${INPUT}" lines)
set(rows "")
set(count 0)
set(previous "")
foreach(line IN LISTS lines)
  string(STRIP "${line}" line)
  if(line STREQUAL "" OR line MATCHES "^#")
    continue()
  endif()
  if(NOT line MATCHES "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$")
    message(FATAL_ERROR "bank-holiday-list: '${line}' in ${INPUT} is not a date as YYYY-MM-DD")
  endif()
  # The calendar searches the table by halves, so it must be in order; a
  # date out of order is more likely a typing mistake than meant.
  if(NOT previous STREQUAL "" AND NOT line STRGREATER previous)
    message(FATAL_ERROR "bank-holiday-list: '${line}' in ${INPUT} is not after '${previous}'")
  endif()
  set(previous "${line}")
  # Leading zeros would make octal literals.
  math(EXPR year "${CMAKE_MATCH_1}")
  math(EXPR month "${CMAKE_MATCH_2}")
  math(EXPR day "${CMAKE_MATCH_3}")
  set(last_day 31)
  if(month EQUAL 4 OR month EQUAL 6 OR month EQUAL 9 OR month EQUAL 11)
    set(last_day 30)
  elseif(month EQUAL 2)
    math(EXPR by4 "${year} % 4")
    math(EXPR by100 "${year} % 100")
    math(EXPR by400 "${year} % 400")
    if(by400 EQUAL 0 OR (by4 EQUAL 0 AND NOT by100 EQUAL 0))
      set(last_day 29)
    else()
      set(last_day 28)
    endif()
  endif()
  if(month LESS 1 OR month GREATER 12 OR day LESS 1 OR day GREATER last_day)
    message(FATAL_ERROR "bank-holiday-list: '${line}' in ${INPUT} is no day of the calendar")
  endif()
  string(APPEND rows "    {${year}, ${month}, ${day}},\n")
  math(EXPR count "${count} + 1")
endforeach()
if(count EQUAL 0)
  message(FATAL_ERROR "bank-holiday-list: ${INPUT} holds no dates")
endif()

get_filename_component(source_name "${INPUT}" NAME)
set(text "// Generated at build time from ${source_name}; edit that file instead.
#include \"calendar/bank_holiday_list.h\"

namespace qf::detail {

const BuiltInHoliday kBuiltInHolidays[] = {
${rows}};
const std::size_t kBuiltInHolidayCount = ${count};

} // namespace qf::detail
")
file(WRITE "${OUTPUT}" "${text}")
