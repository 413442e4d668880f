#include "host/corvane/payment_rows.h"

#include <cmath>
#include <cstdlib>
#include <set>

#include "host/corvane/command_line.h"
#include "host/corvane/host_paths.h"
#include "host/corvane/run_options.h"

namespace corvane {

using qf::Bstr;
using qf::ComPtr;

namespace {

// The payment's text properties, each a column of the file.
struct TextColumn {
    const char* name;
    HRESULT (STDMETHODCALLTYPE ICorvanePayment::*put)(BSTR value);
};
const TextColumn kTextColumns[] = {
    {"PayerBACSReference", &ICorvanePayment::put_PayerBACSReference},
    {"PayerSortCode", &ICorvanePayment::put_PayerSortCode},
    {"PayerAccountNumber", &ICorvanePayment::put_PayerAccountNumber},
    {"PayerAccountName", &ICorvanePayment::put_PayerAccountName},
    {"PayerRollNumber", &ICorvanePayment::put_PayerRollNumber},
    {"PayeeBACSReference", &ICorvanePayment::put_PayeeBACSReference},
    {"PayeeSortCode", &ICorvanePayment::put_PayeeSortCode},
    {"PayeeAccountNumber", &ICorvanePayment::put_PayeeAccountNumber},
    {"PayeeAccountName", &ICorvanePayment::put_PayeeAccountName},
    {"PayeeRollNumber", &ICorvanePayment::put_PayeeRollNumber},
    {"Reference", &ICorvanePayment::put_Reference},
    {"Details", &ICorvanePayment::put_Details},
    {"Currency", &ICorvanePayment::put_Currency},
};

bool ParseAmount(const std::string& text, double& amount)
{
    // Pounds, a full stop as decimal point, optionally signed: -12.5, 1234.56
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    std::size_t digits = 0, dots = 0;
    for (std::size_t j = i; j < text.size(); ++j) {
        if (text[j] >= '0' && text[j] <= '9')
            ++digits;
        else if (text[j] == '.' && dots == 0)
            ++dots;
        else
            return false;
    }
    if (digits == 0)
        return false;
    amount = std::strtod(text.c_str(), nullptr);
    return std::isfinite(amount);
}

// The largest amount taken: twelve digits of pounds keep every penny exact
// in the double that the host's payment holds.
constexpr double kMaxAmount = 999999999999.99;

HRESULT PutText(ICorvanePayment* p, const std::string& column, const std::wstring& value)
{
    for (const TextColumn& text : kTextColumns)
        if (column == text.name)
            return (p->*text.put)(Bstr(value).Get());
    return E_INVALIDARG;
}

// Checks one field of a row into row; an empty string, or the reason.
std::string TakeField(const std::string& column, const std::string& value, PaymentRow& row)
{
    if (column == "Amount") {
        if (!value.empty() && !ParseAmount(value, row.amount))
            return "'" + value + "' is not an amount in pounds (e.g. 1234.56)";
        if (std::fabs(row.amount) > kMaxAmount)
            return "'" + value + "' is out of range (at most 999999999999.99 pounds either way)";
        row.hasAmount = true;
    } else if (column == "StatusCode") {
        if (!value.empty() && !ParseLong(value, row.statusCode))
            return "'" + value + "' is not a whole number from -2147483648 to 2147483647";
        row.hasStatusCode = true;
    } else {
        row.texts.emplace_back(column, Utf8ToWide(value));
    }
    return {};
}

// The header row: known columns, each once. 0 or the exit code.
int CheckHeader(const std::string& file, const CsvRecord& header)
{
    std::set<std::string> known = {"Amount", "StatusCode"};
    for (const TextColumn& text : kTextColumns)
        known.insert(text.name);
    const std::vector<std::string>& names = header.fields;
    for (std::size_t c = 0; c < names.size(); ++c) {
        const std::string where = file + ": line " + std::to_string(header.line) + ", field " + std::to_string(c + 1);
        if (!known.count(names[c]))
            return InputError(where + ": unknown column '" + names[c] + "'");
        for (std::size_t before = 0; before < c; ++before)
            if (names[before] == names[c])
                return InputError(where + ": column '" + names[c] + "' is named twice");
    }
    return 0;
}

} // namespace

std::wstring PaymentRow::Wide(const char* column) const
{
    for (const auto& [name, value] : texts)
        if (name == column)
            return value;
    return {};
}

std::string PaymentRow::Utf8(const char* column) const { return WideToUtf8(Wide(column)); }

int ReadPayments(const std::wstring& path, std::vector<PaymentRow>& rows, TextEncoding& encoding)
{
    const std::string file = WideToUtf8(path);
    std::string bytes, text, error;
    if (!ReadFile(path, bytes, error))
        return InputError("cannot read " + file + ": " + error);
    if (!DecodeText(bytes, text, encoding, error))
        return InputError(file + ": " + error);
    std::vector<CsvRecord> records;
    if (!ParseCsv(text, records, error))
        return InputError(file + ": " + error);
    if (records.empty())
        return InputError(file + ": the file is empty (a header row naming the payment's properties is needed)");
    if (int rc = CheckHeader(file, records[0]))
        return rc;
    const std::vector<std::string>& header = records[0].fields;
    for (std::size_t r = 1; r < records.size(); ++r) {
        const CsvRecord& rec = records[r];
        if (rec.fields.size() > header.size())
            return InputError(file + ": line " + std::to_string(rec.line) + ", field " +
                              std::to_string(header.size() + 1) + ": more fields than the header names (" +
                              std::to_string(header.size()) + ")");
        PaymentRow row;
        for (std::size_t c = 0; c < rec.fields.size(); ++c) {
            const std::string wrong = TakeField(header[c], rec.fields[c], row);
            if (!wrong.empty())
                return InputError(file + ": line " + std::to_string(rec.line) + ", field " + std::to_string(c + 1) +
                                  " (" + header[c] + "): " + wrong);
        }
        rows.push_back(std::move(row));
    }
    return 0;
}

bool BuildBatch(ICorvaneHostControl* host, const std::vector<PaymentRow>& rows, ComPtr<ICorvanePayments>& batch)
{
    if (FAILED(host->NewPayments(batch.Put())))
        return false;
    for (const PaymentRow& row : rows) {
        ComPtr<ICorvanePayment> p;
        if (FAILED(host->AddPayment(batch.Get(), p.Put())))
            return false;
        if (row.hasAmount && FAILED(p->put_Amount(row.amount)))
            return false;
        if (row.hasStatusCode && FAILED(p->put_StatusCode(row.statusCode)))
            return false;
        for (const auto& text : row.texts)
            if (FAILED(PutText(p.Get(), text.first, text.second)))
                return false;
    }
    return true;
}

} // namespace corvane
