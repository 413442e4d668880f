#include "payments/win/payment_run_log.h"

#include <exception>
#include <string>

namespace qf {
namespace {

const char* OutcomeText(long status)
{
    switch (status) {
    case 0: return "file written, every payment passed";
    case 1: return "file written, a payment failed its checks";
    case 2: return "no file written";
    case 3: return "cancelled by the user";
    case 40: return "too many payments";
    default: return "unknown";
    }
}

} // namespace

const char* LayoutName(PaymentFormat format)
{
    switch (format) {
    case PaymentFormat::Standard: return "Standard";
    case PaymentFormat::Template: return "Template";
    case PaymentFormat::BulkList: return "Bulk List";
    case PaymentFormat::AdHocBulk: return "Ad-hoc Bulk";
    }
    return "unknown";
}

PaymentRunLog::PaymentRunLog(const PaymentServiceState& service) : m_log("payments"), m_service(service)
{
    m_log.Write("payment run of Quillfen %s in %s", diagnostics::ComponentVersion().c_str(),
                diagnostics::HostProcessName().c_str());
}

PaymentRunLog::~PaymentRunLog()
{
    if (!m_log.On() || std::uncaught_exceptions() > 0)
        return;
    try {
        if (m_writing >= 0) {
            std::string text;
            auto add = [&text](const std::string& what, long n) {
                if (n == 0)
                    return;
                if (!text.empty())
                    text += ", ";
                text += what + ": " + std::to_string(n);
            };
            for (const auto& [code, n] : m_codes)
                add("code " + std::to_string(code), n);
            add("code not stored", m_notStored);
            add("not delivered", m_notDelivered);
            add("not written", m_writing - m_ended);
            m_log.Write("status codes: %s", text.empty() ? "(no payments)" : text.c_str());
        }
        const long status = m_service.status;
        m_log.Write("outcome: Status %ld, %s", status, OutcomeText(status));
    } catch (...) {
    }
}

void PaymentRunLog::Writing(long count) { m_writing = count; }

void PaymentRunLog::PaidRecord(const std::string& text) { m_log.Write("paid record: %s", text.c_str()); }

void PaymentRunLog::Faults(long index, const Payment& payment)
{
    for (const PaymentFault& fault : payment.Faults())
        m_log.Write("payment %ld: %s %s failed (0x%08lX)", index + 1, fault.write ? "storing" : "reading",
                    PropertyName(fault.property), static_cast<unsigned long>(fault.hr));
}

void PaymentRunLog::Ended(long index, const Payment& payment)
{
    Faults(index, payment);
    ++m_ended;
    std::int32_t code = 0;
    if (payment.StoreFailed() || !payment.StoredStatusCode(code))
        ++m_notStored;
    else
        ++m_codes[code];
}

void PaymentRunLog::NotDelivered()
{
    ++m_ended;
    ++m_notDelivered;
}

void PaymentRunLog::Payments(long count) { m_log.Write("%ld payments", count); }

void PaymentRunLog::AccountCheck(const char* table, long invalid, long unchecked)
{
    if (!table)
        m_log.Write("account check: off");
    else
        m_log.Write("account check: table %s, %ld invalid, %ld unchecked", table, invalid, unchecked);
}

void PaymentRunLog::Options(bool accepted, PaymentFormat format)
{
    if (accepted)
        m_log.Write("options dialog: OK, layout %s", LayoutName(format));
    else
        m_log.Write("options dialog: cancelled");
}

void PaymentRunLog::SaveDialog(bool accepted)
{
    if (!accepted)
        m_log.Write("save dialog: cancelled");
}

void PaymentRunLog::Opened(const char* path, bool redirected)
{
    m_log.Write("writing %s%s", path, redirected ? " (redirected to the VirtualStore)" : "");
}

void PaymentRunLog::NotOpened(const char* path) { m_log.Write("cannot create %s", path); }

} // namespace qf
