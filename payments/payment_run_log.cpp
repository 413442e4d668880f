#include "payments/payment_run_log.h"

#include <exception>
#include <map>
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
        if (m_batch) {
            std::map<long, long> counts;
            const long count = m_batch->Count();
            for (long i = 0; i < count; ++i) {
                std::unique_ptr<Payment> payment = m_batch->Item(i);
                ++counts[payment ? payment->StatusCode() : -1];
            }
            std::string text;
            for (const auto& [code, n] : counts) {
                if (!text.empty())
                    text += ", ";
                text += (code < 0 ? std::string("not delivered") : "code " + std::to_string(code)) + ": " +
                        std::to_string(n);
            }
            m_log.Write("status codes: %s", text.empty() ? "(no payments)" : text.c_str());
        }
        const long status = m_service.status;
        m_log.Write("outcome: Status %ld, %s", status, OutcomeText(status));
    } catch (...) {
    }
}

void PaymentRunLog::CountCodesOf(ICorvanePayments* payments)
{
    if (m_log.On() && payments)
        m_batch = std::make_unique<HostPaymentBatch>(payments);
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
