// The official England and Wales bank holidays for the years they are
// published for. The table is generated at build time from
// calendar/data/england-wales-bank-holidays.txt, in date order.
#pragma once
#include <cstddef>

namespace qf::detail {

struct BuiltInHoliday {
    int year, month, day;
};

extern const BuiltInHoliday kBuiltInHolidays[];
extern const std::size_t kBuiltInHolidayCount;

} // namespace qf::detail
