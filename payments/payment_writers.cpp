#include "payments/payment_writers.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "payments/changed_texts.h"
#include "payments/payment_checks.h"
#include "payments/payment_text.h"
#include "platform/serial_date.h"

namespace qf {
namespace {

constexpr int kRecordColumns = 85;
constexpr int kBulkListHeaderColumns = 80;

// One comma-separated line, filled left to right by column number (from 1)
// so that the code reads like the layout tables. Fields are appended in
// place into a fixed buffer: a batch of thousands of payments should not
// cost an allocation per field. Every field has a bounded width (the
// amount's is the widest), so a line never nears the buffer's size; Append
// still refuses to overrun it.
class RecordLine {
public:
    // changed, when given, collects the names and references written that
    // the bank's characters change.
    explicit RecordLine(int columns, ChangedTexts* changed = nullptr) : m_columns(columns), m_changed(changed) {}

    // Moves on to column (commas for the empty columns before it).
    RecordLine& At(int column)
    {
        assert(column >= m_column && column <= m_columns);
        for (; m_column < column; ++m_column)
            Push(',');
        return *this;
    }
    RecordLine& Text(const char* text)
    {
        Append(text, std::strlen(text));
        return *this;
    }
    RecordLine& Amount(double amount)
    {
        char text[kAmountTextSize];
        Append(text, static_cast<std::size_t>(FormatAmount(amount, text)));
        return *this;
    }
    // CleanText of text, its first width characters.
    RecordLine& Cleaned(const char* text, int width)
    {
        for (const char* p = text; *p && width > 0; ++p) {
            const BankSpelling& spelt = BankSpellingOf(static_cast<unsigned char>(*p));
            for (int i = 0; i < spelt.size && width > 0; ++i, --width)
                Push(spelt.text[i]);
        }
        return *this;
    }
    // The same for a payee's name or a reference, which the user is told
    // about when the bank's characters change it.
    RecordLine& CleanedName(const char* text, int width)
    {
        if (m_changed)
            m_changed->Note(text);
        return Cleaned(text, width);
    }
    // The first width digits of text (DigitsOnly, cut to width) as they
    // are, right-aligned with zeros on the left, or left-aligned with spaces
    // on the right.
    RecordLine& Digits(const char* text, int width) { return PutDigits(text, width, 0); }
    RecordLine& ZeroFilledDigits(const char* text, int width) { return PutDigits(text, width, '0'); }
    RecordLine& SpaceFilledDigits(const char* text, int width) { return PutDigits(text, width, ' '); }
    // An account number goes into the file as the host gave it, zero-filled
    // to 8 characters, minus anything that would break the line.
    RecordLine& AccountNumber(const char* account)
    {
        char kept[8];
        int n = 0;
        for (const char* p = account; *p && n < 8; ++p)
            if (!IsFieldBreak(static_cast<unsigned char>(*p)))
                kept[n++] = *p;
        Fill('0', 8 - n);
        Append(kept, static_cast<std::size_t>(n));
        return *this;
    }
    // Text as the host gave it, minus anything that would break the line.
    RecordLine& Uncleaned(const char* text, int width)
    {
        for (const char* p = text; *p && width > 0; ++p)
            if (!IsFieldBreak(static_cast<unsigned char>(*p))) {
                Push(*p);
                --width;
            }
        return *this;
    }

    // Ends the line with its remaining empty columns. CR LF is written here,
    // not by a text-mode stream, so the bytes are the same on every system.
    void WriteTo(std::FILE* file)
    {
        At(m_columns);
        Append("\r\n", 2);
        std::fwrite(m_text, 1, m_length, file);
    }

private:
    RecordLine& PutDigits(const char* text, int width, char fill)
    {
        char digits[8];
        assert(width <= static_cast<int>(sizeof digits));
        int n = 0;
        for (const char* p = text; *p && n < width; ++p)
            if (IsAsciiDigit(static_cast<unsigned char>(*p)))
                digits[n++] = *p;
        if (fill == '0')
            Fill(fill, width - n);
        Append(digits, static_cast<std::size_t>(n));
        if (fill == ' ')
            Fill(fill, width - n);
        return *this;
    }
    void Push(char c) { Append(&c, 1); }
    void Fill(char c, int count)
    {
        for (; count > 0; --count)
            Push(c);
    }
    void Append(const char* text, std::size_t count)
    {
        if (count > sizeof m_text - m_length)
            ThrowHr(kE_UNEXPECTED);
        std::memcpy(m_text + m_length, text, count);
        m_length += count;
    }

    char m_text[1024];
    std::size_t m_length = 0;
    int m_column = 1;
    const int m_columns;
    ChangedTexts* const m_changed;
};

// Stores each failing check's code on the payment as it happens.
class Checks {
public:
    explicit Checks(Payment& payment) : m_payment(payment) { m_payment.SetStatusCode(kPaymentOk); }

    void Require(bool ok, PaymentStatus code)
    {
        if (ok)
            return;
        m_payment.SetStatusCode(code);
        m_passed = false;
    }
    // A value the host failed to deliver is no value: the payment fails.
    bool Delivered(PaymentProperty property) const { return !m_payment.ReadFailed(property); }
    void RequireRead(PaymentProperty property, PaymentStatus code) { Require(Delivered(property), code); }
    bool Passed() const { return m_passed; }

private:
    Payment& m_payment;
    bool m_passed = true;
};

void RequireFile(std::FILE* file)
{
    if (!file)
        ThrowHr(kE_INVALIDARG);
}

// DDMMYYYY of the day the payment is to be processed.
struct DateText {
    char text[16];
};

DateText ProcessingDateText(double serial)
{
    CalendarDate date;
    if (!SerialToDate(serial, date))
        ThrowHr(kE_INVALIDARG);
    DateText result;
    std::snprintf(result.text, sizeof result.text, "%02d%02d%04d", date.day, date.month, date.year);
    return result;
}

// Column 13: the payer's sort code and account number run together.
void PutPayer(RecordLine& line, Payment& payment, Checks& checks)
{
    const CString sortCode = payment.PayerSortCode();
    checks.Require(IsValidSortCode(sortCode) && checks.Delivered(PaymentProperty::PayerSortCode),
                   kInvalidPayerSortCode);
    const CString account = payment.PayerAccountNumber();
    checks.Require(IsValidAccountNumber(account) && checks.Delivered(PaymentProperty::PayerAccountNumber),
                   kInvalidPayerAccountNumber);
    line.At(13).ZeroFilledDigits(sortCode, 6).AccountNumber(account);
}

void PutAmount(RecordLine& line, Payment& payment, Checks& checks)
{
    const double amount = payment.Amount();
    checks.Require(IsValidAmount(amount) && checks.Delivered(PaymentProperty::Amount),
                   kInvalidAmount);
    line.At(17).Amount(amount);
}

// Columns 25 and 31. A Template record does not carry them, but the payee
// is checked all the same.
void PutPayeeAccount(RecordLine& line, Payment& payment, Checks& checks, bool written)
{
    const CString sortCode = payment.PayeeSortCode();
    checks.Require(IsValidSortCode(sortCode) && checks.Delivered(PaymentProperty::PayeeSortCode),
                   kInvalidPayeeSortCode);
    const CString account = payment.PayeeAccountNumber();
    checks.Require(IsValidAccountNumber(account) && checks.Delivered(PaymentProperty::PayeeAccountNumber),
                   kInvalidPayeeAccountNumber);
    if (!written)
        return;
    line.At(25).SpaceFilledDigits(sortCode, 6);
    line.At(31).AccountNumber(account);
}

void PutPayeeName(RecordLine& line, Payment& payment, Checks& checks, int width)
{
    const HostText name = payment.PayeeAccountName();
    checks.Require(IsValidPayeeAccountName(name.empty) && checks.Delivered(PaymentProperty::PayeeAccountName),
                   kMissingPayeeAccountName);
    line.At(33).CleanedName(name.text, width);
}

// The payee's roll number, failing the payment when the host does not
// deliver it: a building-society payment without its roll number reaches
// nobody's account. Empty text when the host has none.
CString RollNumber(Payment& payment, Checks& checks)
{
    const CString rollNumber = payment.PayeeRollNumber();
    checks.RequireRead(PaymentProperty::PayeeRollNumber, kUnreadPayeeRollNumber);
    return rollNumber;
}

CString BACSReference(Payment& payment, Checks& checks)
{
    const CString reference = payment.PayeeBACSReference();
    checks.RequireRead(PaymentProperty::PayeeBACSReference, kUnreadPayeeBACSReference);
    return reference;
}

// Standard and Template records: the roll number, else the BACS reference.
// A roll number the host failed to deliver leaves the column empty: the
// BACS reference is not the payee's reference then.
void PutPayeeReference(RecordLine& line, Payment& payment, Checks& checks, int column, int width)
{
    line.At(column);
    const CString rollNumber = RollNumber(payment, checks);
    if (payment.ReadFailed(PaymentProperty::PayeeRollNumber))
        return;
    line.CleanedName(rollNumber.IsEmpty() ? BACSReference(payment, checks) : rollNumber, width);
}

// Column 8 of a Bulk List record. A reference that cleaning would leave
// empty is written as the host gave it rather than not at all.
void PutBulkListReference(RecordLine& line, const CString& reference)
{
    bool cleanable = false;
    for (const char* p = reference; *p && !cleanable; ++p)
        cleanable = BankSpellingOf(static_cast<unsigned char>(*p)).size != 0;
    if (cleanable)
        line.At(8).CleanedName(reference, 25);
    else
        line.At(8).Uncleaned(reference, 25);
}

// Ad Hoc Bulk payments always carry a reference: failing the payee's own,
// the paying account's digits identify the payment.
void PutAdHocBulkReference(RecordLine& line, Payment& payment, Checks& checks)
{
    line.At(37);
    const CString rollNumber = RollNumber(payment, checks);
    if (payment.ReadFailed(PaymentProperty::PayeeRollNumber))
        return;
    if (!rollNumber.IsEmpty()) {
        line.CleanedName(rollNumber, 18);
        return;
    }
    const CString bacsReference = BACSReference(payment, checks);
    if (payment.ReadFailed(PaymentProperty::PayeeBACSReference))
        return;
    if (!bacsReference.IsEmpty()) {
        line.CleanedName(bacsReference, 18);
        return;
    }
    line.Digits(payment.PayerSortCode(), 6);
    checks.RequireRead(PaymentProperty::PayerSortCode, kInvalidPayerSortCode);
    line.Digits(payment.PayerAccountNumber(), 8);
    checks.RequireRead(PaymentProperty::PayerAccountNumber, kInvalidPayerAccountNumber);
}

} // namespace

bool WriteBulkListHeader(std::FILE* file, Payment& payment, double processingDate, const CString& templateName,
                         const CString& beneficiaryReference, ChangedTexts* changed)
{
    RequireFile(file);
    const DateText date = ProcessingDateText(processingDate);
    Checks checks(payment);
    RecordLine line(kBulkListHeaderColumns, changed);
    line.At(4).Text("06");
    line.At(6).Cleaned(templateName, 20);
    PutPayer(line, payment, checks);
    line.At(19).Text(date.text);
    line.At(37).CleanedName(beneficiaryReference, 18);
    line.At(74).Text("C");
    line.WriteTo(file);
    return checks.Passed();
}

bool WriteAdHocBulkHeader(std::FILE* file, Payment& payment, double processingDate,
                          const CString& beneficiaryReference, const CString& path, ChangedTexts* changed)
{
    RequireFile(file);
    const DateText date = ProcessingDateText(processingDate);
    Checks checks(payment);
    RecordLine line(kRecordColumns, changed);
    line.At(4).Text("08");
    line.At(9).Cleaned(FileNameOfPath(path), 16);
    PutPayer(line, payment, checks);
    line.At(19).Text(date.text);
    line.At(37).CleanedName(beneficiaryReference, 18);
    line.WriteTo(file);
    return checks.Passed();
}

bool WritePaymentRecord(std::FILE* file, Payment& payment, double processingDate, PaymentFormat format,
                        const CString& templateName, ChangedTexts* changed)
{
    switch (format) {
    case PaymentFormat::Standard:
    case PaymentFormat::Template:
    case PaymentFormat::BulkList:
        break;
    case PaymentFormat::AdHocBulk:
        return WriteAdHocBulkRecord(file, payment, changed);
    default:
        ThrowHr(kE_INVALIDARG);
    }
    RequireFile(file);
    const bool bulkList = format == PaymentFormat::BulkList;
    const bool usesTemplate = format == PaymentFormat::Template;
    // A Bulk List record has no date: the header carries it.
    const DateText date = bulkList ? DateText{} : ProcessingDateText(processingDate);

    // The options dialog leaves its IAT mark in StatusCode; read it before
    // the record's own status replaces it. A mark the host fails to deliver
    // fails the payment: the record would otherwise be a guess.
    const bool iat = !bulkList && payment.StatusCode() != 0;
    Checks checks(payment);
    if (!bulkList)
        checks.RequireRead(PaymentProperty::StatusCode, kUnreadStatusCode);
    RecordLine line(kRecordColumns, changed);
    line.At(4).Text(bulkList ? "07" : iat ? "03" : "01");
    if (usesTemplate)
        line.At(6).Cleaned(templateName, 20);
    if (bulkList)
        PutBulkListReference(line, BACSReference(payment, checks));
    else
        PutPayer(line, payment, checks);
    if (bulkList || usesTemplate || iat)
        line.At(16).Text("GBP");
    PutAmount(line, payment, checks);
    if (!bulkList)
        line.At(19).Text(date.text);
    PutPayeeAccount(line, payment, checks, !usesTemplate);
    // A transfer between the payer's own accounts names no payee.
    if (!iat && !usesTemplate)
        PutPayeeName(line, payment, checks, 18);
    if (bulkList)
        line.At(37).CleanedName(RollNumber(payment, checks), 18);
    else if (iat)
        PutPayeeReference(line, payment, checks, 40, 16);
    else
        PutPayeeReference(line, payment, checks, 37, 18);
    line.WriteTo(file);
    return checks.Passed();
}

bool WriteAdHocBulkRecord(std::FILE* file, Payment& payment, ChangedTexts* changed)
{
    RequireFile(file);
    Checks checks(payment);
    RecordLine line(kRecordColumns, changed);
    line.At(4).Text("09");
    line.At(16).Text("GBP");
    PutAmount(line, payment, checks);
    PutPayeeAccount(line, payment, checks, true);
    PutPayeeName(line, payment, checks, 35);
    PutAdHocBulkReference(line, payment, checks);
    line.WriteTo(file);
    return checks.Passed();
}

} // namespace qf
