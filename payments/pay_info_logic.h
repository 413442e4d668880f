// What the payment options dialog decides, without its window: the rules of
// the four payment formats, the processing date and its checks, the IAT
// marks on the host's payments and whether the user changed anything.
//
// The window (pay_info_dialog.h) only shows this state and forwards the
// user's actions; everything here is portable and runs on the platform
// clock, so tests fix "today" with platform::SetClock.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "calendar/calendar.h"
#include "payments/payment_format.h"
#include "payments/payment_source.h"
#include "text/cstring.h"

namespace qf {

// The longest texts the payment file takes for these two fields.
constexpr int kMaxTemplateLength = 20;
constexpr int kMaxBeneficiaryReferenceLength = 18;
// A processing date may lie at most this many days after today.
constexpr int kMaxDaysAhead = 45;

// What a payment format needs from the user.
struct FormatRules {
    int descriptionId;         // string resource shown under the format buttons
    bool usesTemplate;         // the template edit and its label are enabled
    bool usesBeneficiaryReference;
    bool allowsIatMarking;     // the IAT check box and its explanation are enabled
};
FormatRules RulesOf(PaymentFormat format);

// A processing date refused on OK: a warning with this caption and text.
struct DateRefusal {
    const char* caption;
    CString text;
};

// The question asked before the dialog is cancelled after a change.
extern const char* const kDiscardChangesCaption;
extern const char* const kDiscardChangesText;

// The payment list's columns and the cells of one payment.
constexpr int kPaymentColumns = 8;
struct PaymentColumn {
    const char* header;
    int width; // pixels
    bool rightAligned;
};
extern const std::array<PaymentColumn, kPaymentColumns> kPaymentListColumns;
using PaymentRow = std::array<CString, kPaymentColumns>;
// The cells of payment, cut to the lengths the list shows; all empty for a
// payment the host did not deliver (null).
PaymentRow ReadPaymentRow(Payment* payment);

class PayInfoLogic {
public:
    // batch must outlive the object. The two texts are what the settings
    // held for the account; they are offered again whenever a format that
    // uses them is chosen. holidays are the user's own bank holiday changes:
    // the proposal and the date checks both go by them.
    PayInfoLogic(PaymentBatch& batch, const CString& templateName, const CString& beneficiaryReference,
                 HolidayChanges holidays = {});

    // Proposes the processing date: the next BACS crediting date for a
    // payment submitted today.
    void Open();

    // ---- The payment list ---------------------------------------------------
    std::int32_t PaymentCount() { return m_batch.Count(); }
    PaymentRow Row(std::int32_t index);
    // The last column's text of each payment written to a payment file
    // before, or twice in the batch ("" for the others).
    void SetPaidMarks(std::vector<CString> marks) { m_paidMarks = std::move(marks); }

    // ---- Format ----------------------------------------------------------------
    PaymentFormat Format() const { return m_format; }
    FormatRules Rules() const { return RulesOf(m_format); }
    void SelectFormat(PaymentFormat format);
    // What the two edits show for the current format: the stored text, or
    // nothing when the format does not use it.
    CString TemplateShown() const;
    CString BeneficiaryReferenceShown() const;

    // ---- Processing date -----------------------------------------------------
    double ProcessingDate() const { return m_processingDate; }
    // The user picked date. False (and nothing changed) for a value that is
    // no calendar date.
    bool ChangeProcessingDate(double date);
    // The refusal of the processing date as OK would show it, checked
    // against today: past, not a banking day, too far ahead, in that order.
    std::optional<DateRefusal> CheckProcessingDate() const;

    // Whether OK must be refused because the current format needs a
    // template name and templateText (the edit's text) gives none: the bank
    // rejects such a file. Checked after the processing date.
    bool TemplateMissing(const char* templateText) const;

    // ---- IAT marks ------------------------------------------------------------
    // Writes mark as StatusCode of the payments at indexes (a payment the
    // host does not deliver is skipped). False, and no change, for none.
    bool MarkPayments(const std::vector<std::int32_t>& indexes, std::int32_t mark);
    // Cancel: StatusCode 0 on every payment of the batch.
    void ClearMarks();

    // Whether the user changed the format, the date or a mark: asked about
    // before cancelling. Typing in the edits alone is no change.
    bool ChangesMade() const { return m_changesMade; }

    // ---- Result ------------------------------------------------------------------
    // OK: takes the edits' texts, cut to what the file holds.
    void Accept(const char* templateText, const char* beneficiaryReferenceText);
    const CString& Template() const { return m_template; }
    const CString& BeneficiaryReference() const { return m_beneficiaryReference; }

private:
    PaymentBatch& m_batch;
    CString m_template;
    CString m_beneficiaryReference;
    PaymentFormat m_format = PaymentFormat::Standard;
    double m_processingDate = 0;
    bool m_changesMade = false;
    HolidayChanges m_holidays;
    std::vector<CString> m_paidMarks;
};

} // namespace qf
