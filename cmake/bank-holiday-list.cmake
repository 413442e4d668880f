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
