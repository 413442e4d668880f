#include "payments/payment_source.h"

#include <algorithm>

namespace qf {

const char* PropertyName(PaymentProperty property) noexcept
{
    switch (property) {
    case PaymentProperty::Amount: return "Amount";
    case PaymentProperty::PayerSortCode: return "PayerSortCode";
    case PaymentProperty::PayerAccountNumber: return "PayerAccountNumber";
    case PaymentProperty::PayeeBACSReference: return "PayeeBACSReference";
    case PaymentProperty::PayeeSortCode: return "PayeeSortCode";
    case PaymentProperty::PayeeAccountNumber: return "PayeeAccountNumber";
    case PaymentProperty::PayeeAccountName: return "PayeeAccountName";
    case PaymentProperty::PayeeRollNumber: return "PayeeRollNumber";
    case PaymentProperty::Details: return "Details";
    case PaymentProperty::StatusCode: return "StatusCode";
    }
    return "unknown";
}

bool Payment::ReadFailed(PaymentProperty property) const noexcept
{
    return std::any_of(m_faults.begin(), m_faults.end(),
                       [property](const PaymentFault& f) { return !f.write && f.property == property; });
}

bool Payment::StoreFailed() const noexcept
{
    return std::any_of(m_faults.begin(), m_faults.end(), [](const PaymentFault& f) { return f.write; });
}

} // namespace qf
