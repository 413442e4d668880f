// The batch over the host's payment objects, as the dialog's tests and its
// benchmark need it: BSTRs converted through the ANSI code page and freed,
// a failing host call read as empty text or 0.
#pragma once
#include <windows.h>

#include "objects/host_interfaces.h"
#include "payments/payment_source.h"
#include "text/com_holders.h"

namespace qf::test {

class HostBatch : public PaymentBatch {
public:
    explicit HostBatch(ICorvanePayments* payments) : m_payments(payments) {}
    std::int32_t Count() override;
    std::unique_ptr<Payment> Item(std::int32_t index) override;

private:
    ComPtr<ICorvanePayments> m_payments;
};

} // namespace qf::test
