// The four writers of a Bankline payment file.
//
// Each writes exactly one line (CR LF included) into a file opened in binary
// mode, reads the payment's properties in the order of its layout, stores 0
// in the payment's StatusCode before its checks and each failing check's
// code after it (so the last failing check's code is the one left), and
// returns true when every check passed. A failed check never shortens the
// line: the offending value is written as normalised, cut and padded.
//
// Columns never carry a comma, quote or line break of their own: cleaned
// texts cannot hold one, and the texts written as the host gave them (the
// account numbers and the Bulk List reference fallback) lose those
// characters, so every line keeps its column count.
//
// changed, when given, collects the payees' names and references (and the
// beneficiary reference) that the bank's characters change on their way in.
//
// processingDate is an OLE Automation date (time of day ignored); a value
// that is no date throws E_INVALIDARG before the payment is touched, as
// does a null file.
#pragma once
#include <cstdio>

#include "payments/changed_texts.h"
#include "payments/payment_format.h"
#include "payments/payment_source.h"
#include "text/cstring.h"

namespace qf {

// Bulk List header (type 06, 80 columns), from the batch's first payment:
// checks its payer sort code and account number.
bool WriteBulkListHeader(std::FILE* file, Payment& payment, double processingDate, const CString& templateName,
                         const CString& beneficiaryReference, ChangedTexts* changed = nullptr);

// Ad Hoc Bulk header (type 08), from the batch's first payment; path is the
// full path of the file being written (its name goes into the header).
bool WriteAdHocBulkHeader(std::FILE* file, Payment& payment, double processingDate,
                          const CString& beneficiaryReference, const CString& path,
                          ChangedTexts* changed = nullptr);

// One payment of a Standard, Template or Bulk List file (types 01, 03, 07).
// In Standard and Template files a non-zero StatusCode on entry marks the
// payment as an Inter Account Transfer. An Ad Hoc Bulk payment is handed to
// WriteAdHocBulkRecord.
bool WritePaymentRecord(std::FILE* file, Payment& payment, double processingDate, PaymentFormat format,
                        const CString& templateName, ChangedTexts* changed = nullptr);

// One payment of an Ad Hoc Bulk file (type 09).
bool WriteAdHocBulkRecord(std::FILE* file, Payment& payment, ChangedTexts* changed = nullptr);

} // namespace qf
