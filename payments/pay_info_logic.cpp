#include "payments/pay_info_logic.h"

#include <cmath>
#include <utility>

#include "calendar/calendar.h"
#include "payments/payment_checks.h"
#include "payments/payment_text.h"
#include "platform/serial_date.h"
#include "resources/resource.h"

namespace qf {

const char* const kDiscardChangesCaption = "Changes have been made";
const char* const kDiscardChangesText = "Do you wish to ignore these changes?";

const std::array<PaymentColumn, kPaymentColumns> kPaymentListColumns = {{
    {"Sort Code", 65, false},
    {"Acc. Number", 80, false},
    {"Name", 95, false},
    {"Amount", 70, true},
    {"Reference", 90, false},
    {"Details", 110, false},
    {"Is IAT", 50, false},
    {"Paid before", 160, false},
}};

FormatRules RulesOf(PaymentFormat format)
{
    switch (format) {
    case PaymentFormat::Standard:
        return {IDS_FORMAT_DESCRIPTION_STANDARD, false, false, true};
    case PaymentFormat::Template:
        return {IDS_FORMAT_DESCRIPTION_TEMPLATE, true, false, true};
    case PaymentFormat::BulkList:
        // One bulk list pays every payment the same way: no IATs.
        return {IDS_FORMAT_DESCRIPTION_BULK_LIST, true, true, false};
    case PaymentFormat::AdHocBulk:
        return {IDS_FORMAT_DESCRIPTION_AD_HOC_BULK, false, true, false};
    }
    return RulesOf(PaymentFormat::Standard);
}

PaymentRow ReadPaymentRow(Payment* payment)
{
    PaymentRow row;
    if (!payment)
        return row;
    // The cells take what the host's text converts to, cut to the column's
    // length; a text that delivers nothing is an empty cell.
    row[0] = payment->PayeeSortCode().Left(10);
    row[1] = payment->PayeeAccountNumber().Left(29);
    row[2] = payment->PayeeAccountName().text.Left(31);
    row[3] = FormatAmount(payment->Amount());
    row[4] = payment->PayeeBACSReference().Left(31);
    row[5] = payment->Details().Left(254);
    row[6] = payment->StatusCode() != 0 ? "Yes" : "No";
    return row;
}

PayInfoLogic::PayInfoLogic(PaymentBatch& batch, const CString& templateName, const CString& beneficiaryReference,
                           HolidayChanges holidays)
    : m_batch(batch), m_template(templateName), m_beneficiaryReference(beneficiaryReference),
      m_holidays(std::move(holidays))
{
}

void PayInfoLogic::Open() { m_processingDate = NextCreditingDate(Today(), m_holidays); }

PaymentRow PayInfoLogic::Row(std::int32_t index)
{
    std::unique_ptr<Payment> payment = m_batch.Item(index);
    PaymentRow row = ReadPaymentRow(payment.get());
    if (index >= 0 && static_cast<std::size_t>(index) < m_paidMarks.size())
        row[7] = m_paidMarks[static_cast<std::size_t>(index)];
    return row;
}

void PayInfoLogic::SelectFormat(PaymentFormat format)
{
    if (format != m_format)
        m_changesMade = true;
    m_format = format;
}

CString PayInfoLogic::TemplateShown() const { return Rules().usesTemplate ? m_template : CString(); }

CString PayInfoLogic::BeneficiaryReferenceShown() const
{
    return Rules().usesBeneficiaryReference ? m_beneficiaryReference : CString();
}

bool PayInfoLogic::ChangeProcessingDate(double date)
{
    CalendarDate day;
    if (!SerialToDate(date, day))
        return false;
    // Only the day counts: the picker carries a time of day along that the
    // user never sees, and the file takes the date alone.
    if (std::floor(date) != std::floor(m_processingDate))
        m_changesMade = true;
    m_processingDate = date;
    return true;
}

std::optional<DateRefusal> PayInfoLogic::CheckProcessingDate() const
{
    const double today = std::floor(Today());
    const double day = std::floor(m_processingDate);
    if (today > day)
        return DateRefusal{"Invalid Banking Date Specified",
                           "The processing date you specify for payments MUST be on or after the current system date."};

    std::int32_t daysToAdvance = 0;
    NonBankingReason reason = NonBankingReason::None;
    if (!IsBankingDay(m_processingDate, daysToAdvance, reason, m_holidays)) {
        CString text = reason == NonBankingReason::BankHoliday
                           ? "The date you specified falls on a Bank holiday. Try advancing the date \r\n"
                           : "The date you specified falls on a weekend. Try advancing the date \r\n";
        CString count;
        count.Format(daysToAdvance == 1 ? "%d day to the next likely Banking Day."
                                        : "%d days to the next likely Banking Day.",
                     static_cast<int>(daysToAdvance));
        text += count;
        return DateRefusal{"Non-Banking Date Specified", text};
    }

    if (day - today > kMaxDaysAhead)
        return DateRefusal{"Invalid Processing Date Specified",
                           "The processing date specified is too far in the future.\r"
                           "Processing dates can be at most 45 days after today's date."};
    return std::nullopt;
}

bool PayInfoLogic::TemplateMissing(const char* templateText) const
{
    return Rules().usesTemplate && (!templateText || !templateText[0]);
}

bool PayInfoLogic::MarkPayments(const std::vector<std::int32_t>& indexes, std::int32_t mark)
{
    if (indexes.empty())
        return false;
    m_changesMade = true;
    for (std::int32_t index : indexes)
        if (std::unique_ptr<Payment> payment = m_batch.Item(index))
            payment->SetStatusCode(mark);
    return true;
}

void PayInfoLogic::ClearMarks()
{
    const std::int32_t count = m_batch.Count();
    for (std::int32_t index = 0; index < count; ++index)
        if (std::unique_ptr<Payment> payment = m_batch.Item(index))
            payment->SetStatusCode(kNoMark);
}

void PayInfoLogic::Accept(const char* templateText, const char* beneficiaryReferenceText)
{
    m_template = CString(templateText).Left(kMaxTemplateLength);
    m_beneficiaryReference = CString(beneficiaryReferenceText).Left(kMaxBeneficiaryReferenceLength);
}

} // namespace qf
