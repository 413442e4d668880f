// The payment run's entry in the diagnostics log (settings/diagnostics_log.h):
// the component and host, the layout, how many payments, what the dialogs
// returned, the file written, the outcome and how many payments ended with
// each status code. Never a payee's name, account or amount.
#pragma once
#include <memory>

#include "payments/host_payments.h"
#include "payments/payment_format.h"
#include "payments/payment_run.h"
#include "settings/diagnostics_log.h"

namespace qf {

class PaymentRunLog {
public:
    explicit PaymentRunLog(const PaymentServiceState& service);
    // Writes the outcome (the service's Status) and the status codes.
    ~PaymentRunLog();
    PaymentRunLog(const PaymentRunLog&) = delete;
    PaymentRunLog& operator=(const PaymentRunLog&) = delete;

    void Payments(long count);
    // The account check: the table used (null: the check is off) and how
    // many pairs it called invalid and could not check.
    void AccountCheck(const char* table, long invalid, long unchecked);
    void Options(bool accepted, PaymentFormat format);
    void SaveDialog(bool accepted);
    // The file the run writes into (redirected: Windows' VirtualStore copy).
    void Opened(const char* path, bool redirected);
    void NotOpened(const char* path);
    // The batch whose status codes the entry counts when the run ends (the
    // entry holds its own reference: it outlives the run's).
    void CountCodesOf(ICorvanePayments* payments);

private:
    diagnostics::RunLog m_log;
    const PaymentServiceState& m_service;
    std::unique_ptr<PaymentBatch> m_batch;
};

// The layout's name as the options dialog shows it.
const char* LayoutName(PaymentFormat format);

} // namespace qf
