// The four Bankline import layouts a payment file can take. The value is
// what the options dialog keeps and what its radio buttons stand for.
#pragma once
#include <cstdint>

namespace qf {

enum class PaymentFormat : std::int32_t {
    Standard = 0,  // one record per payment, domestic (01) or IAT (03)
    Template = 1,  // as Standard, naming a Bankline template instead of the payee
    BulkList = 2,  // header 06 naming a bulk list, then one 07 per payment
    AdHocBulk = 3, // header 08, then one 09 per payment
};

} // namespace qf
