// The payment run's entry in the diagnostics log (settings/diagnostics_log.h):
// the component and host, the layout, how many payments, what the dialogs
// returned, the file written, each call the host failed on a payment, the
// outcome and how many payments ended with each status code. Never a payee's
// name, account or amount.
#pragma once
#include <string>
#include <map>

#include "payments/payment_format.h"
#include "payments/payment_source.h"
#include "payments/win/payment_service_state.h"
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
    // The number of payments being written: the entry ends with how many
    // of them ended with each status code, as the run stored them.
    void Writing(long count);
    // The host's failed calls on payment index (from 0), by property and
    // HRESULT; Ended also counts the code the payment ended with.
    void Faults(long index, const Payment& payment);
    void Ended(long index, const Payment& payment);
    void NotDelivered();
    // A line about the record of payments written.
    void PaidRecord(const std::string& text);

private:
    diagnostics::RunLog m_log;
    const PaymentServiceState& m_service;
    long m_writing = -1; // payments to write, -1 before the writing
    long m_ended = 0;    // payments counted below
    std::map<long, long> m_codes;
    long m_notDelivered = 0;
    long m_notStored = 0;
};

// The layout's name as the options dialog shows it.
const char* LayoutName(PaymentFormat format);

} // namespace qf
