# Turns the published modulus weight table and sort code substitution table
# into a C++ source, so that no weight is typed into code. A line the check
# would have to guess at fails the build, named by its line number.
# Run as a script:
#   cmake -DWEIGHTS=<valacdos> -DSUBSTITUTIONS=<scsubtab> -DOUTPUT=<file> -P account-check-tables.cmake
# The weight table's version comes from its file name (valacdos-v8-50.txt: 8.50).
if(NOT WEIGHTS OR NOT SUBSTITUTIONS OR NOT OUTPUT)
  message(FATAL_ERROR "account-check-tables: WEIGHTS, SUBSTITUTIONS and OUTPUT are required")
endif()

# The lines of a file, numbered from 1. A semicolon would split CMake's
# lists in the wrong place, and no table has one: it is refused first.
function(read_lines file out_var)
  file(READ "${file}" content)
  string(FIND "${content}" ";" semicolon)
  if(semicolon GREATER -1)
    string(SUBSTRING "${content}" 0 ${semicolon} before)
    string(REGEX MATCHALL "\n" breaks "${before}")
    list(LENGTH breaks number)
    math(EXPR number "${number} + 1")
    message(FATAL_ERROR "account-check-tables: ${file} line ${number}: unexpected ';'")
  endif()
  string(REPLACE "\r\n" "\n" content "${content}")
  string(REPLACE "\n" ";" lines "${content}")
  set(${out_var} "${lines}" PARENT_SCOPE)
endfunction()

# The next line's white-space separated fields (fields, field_count), its
# number counted on (number): both tables are read the same way.
macro(next_line_fields line)
  math(EXPR number "${number} + 1")
  string(REGEX MATCHALL "[^ \t]+" fields "${line}")
  list(LENGTH fields field_count)
endmacro()

# A sort code: six digits, given back without leading zeros for C++.
function(sort_code text file number out_var)
  if(NOT text MATCHES "^[0-9][0-9][0-9][0-9][0-9][0-9]$")
    message(FATAL_ERROR "account-check-tables: ${file} line ${number}: '${text}' is not a six-digit sort code")
  endif()
  # math() reads decimal: no leading zero reaches C++, where it means octal.
  math(EXPR value "${text}")
  set(${out_var} ${value} PARENT_SCOPE)
endfunction()

read_lines("${WEIGHTS}" lines)
set(rows "")
set(count 0)
set(number 0)
foreach(line IN LISTS lines)
  next_line_fields("${line}")
  if(field_count EQUAL 0)
    continue()
  endif()
  if(NOT (field_count EQUAL 17 OR field_count EQUAL 18))
    message(FATAL_ERROR "account-check-tables: ${WEIGHTS} line ${number}: ${field_count} fields, not 17 or 18")
  endif()
  list(GET fields 0 first_text)
  list(GET fields 1 last_text)
  list(GET fields 2 method)
  sort_code("${first_text}" "${WEIGHTS}" ${number} first)
  sort_code("${last_text}" "${WEIGHTS}" ${number} last)
  if(first GREATER last)
    message(FATAL_ERROR "account-check-tables: ${WEIGHTS} line ${number}: the range ends before it begins")
  endif()
  if(NOT method MATCHES "^(MOD10|MOD11|DBLAL)$")
    message(FATAL_ERROR "account-check-tables: ${WEIGHTS} line ${number}: '${method}' is not MOD10, MOD11 or DBLAL")
  endif()
  set(weights "")
  foreach(index RANGE 3 16)
    list(GET fields ${index} weight)
    if(NOT weight MATCHES "^-?[0-9]?[0-9]?[0-9]$")
      message(FATAL_ERROR "account-check-tables: ${WEIGHTS} line ${number}: weight '${weight}' is not a number from -999 to 999")
    endif()
    math(EXPR weight "${weight}")
    list(APPEND weights ${weight})
  endforeach()
  string(REPLACE ";" ", " weights "${weights}")
  set(exception 0)
  if(field_count EQUAL 18)
    list(GET fields 17 exception)
    if(NOT exception MATCHES "^([1-9]|1[0-4])$")
      message(FATAL_ERROR "account-check-tables: ${WEIGHTS} line ${number}: exception '${exception}' is not 1 to 14")
    endif()
  endif()
  string(APPEND rows "    {${first}, ${last}, ModulusMethod::${method}, {${weights}}, ${exception}},\n")
  math(EXPR count "${count} + 1")
endforeach()
if(count EQUAL 0)
  message(FATAL_ERROR "account-check-tables: ${WEIGHTS} holds no ranges")
endif()

read_lines("${SUBSTITUTIONS}" lines)
set(substitutions "")
set(substitution_count 0)
set(number 0)
foreach(line IN LISTS lines)
  next_line_fields("${line}")
  if(field_count EQUAL 0)
    continue()
  endif()
  if(NOT field_count EQUAL 2)
    message(FATAL_ERROR "account-check-tables: ${SUBSTITUTIONS} line ${number}: ${field_count} fields, not 2")
  endif()
  list(GET fields 0 original_text)
  list(GET fields 1 substitute_text)
  sort_code("${original_text}" "${SUBSTITUTIONS}" ${number} original)
  sort_code("${substitute_text}" "${SUBSTITUTIONS}" ${number} substitute)
  string(APPEND substitutions "    {${original}, ${substitute}},\n")
  math(EXPR substitution_count "${substitution_count} + 1")
endforeach()
if(substitution_count EQUAL 0)
  message(FATAL_ERROR "account-check-tables: ${SUBSTITUTIONS} holds no substitutions")
endif()

get_filename_component(weights_name "${WEIGHTS}" NAME)
get_filename_component(substitutions_name "${SUBSTITUTIONS}" NAME)
if(weights_name MATCHES "-v([0-9]+)-([0-9]+)\\.")
  set(version "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}")
else()
  message(FATAL_ERROR "account-check-tables: ${weights_name} does not name its version as -vMAJOR-MINOR")
endif()

file(WRITE "${OUTPUT}" "// Generated at build time from ${weights_name} and ${substitutions_name}; edit those files instead.
#include \"accountcheck/modulus_table_data.h\"

namespace qf::detail {

const ModulusRow kBuiltInModulusRows[] = {
${rows}};
const std::size_t kBuiltInModulusRowCount = ${count};

const SortCodeSubstitution kBuiltInSubstitutions[] = {
${substitutions}};
const std::size_t kBuiltInSubstitutionCount = ${substitution_count};

const char kBuiltInModulusVersion[] = \"${version}\";

} // namespace qf::detail
")
