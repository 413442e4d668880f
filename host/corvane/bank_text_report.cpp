#include "host/corvane/bank_text_report.h"

#include <windows.h>

#include "host/corvane/command_line.h"
#include "text/bank_text.h"

namespace corvane {
namespace {

// The host's text as the component reads it: through the ANSI code page, at
// most 255 characters.
std::string Ansi(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_ACP, 0, text.data(), size, &ansi[0], n, nullptr, nullptr);
    if (ansi.size() > 255)
        ansi.resize(255);
    return ansi;
}

} // namespace

std::vector<ChangedBankText> ChangedBankTexts(const std::vector<PayeeTexts>& payees, int layout,
                                              const std::wstring& beneficiaryReference)
{
    enum { Standard, Template, BulkList, AdHocBulk };
    std::vector<ChangedBankText> changed;
    auto note = [&changed](long row, const char* property, const std::wstring& text) {
        const std::string ansi = Ansi(text);
        if (qf::ChangesInBankText(ansi.c_str()))
            changed.push_back({row, property, WideToUtf8(text), qf::ToBankText(ansi.c_str())});
    };
    if (layout == BulkList || layout == AdHocBulk)
        note(-1, "BeneficiaryReference", beneficiaryReference);
    for (std::size_t i = 0; i < payees.size(); ++i) {
        const PayeeTexts& p = payees[i];
        const long row = static_cast<long>(i);
        if (p.leftOut)
            continue;
        // The reference the component writes: the roll number, else the BACS
        // reference; a Bulk List record carries both in columns of their own,
        // the BACS reference as typed when nothing of it is a bank character.
        auto reference = [&] {
            if (!p.rollNumber.empty())
                note(row, "PayeeRollNumber", p.rollNumber);
            else
                note(row, "PayeeBACSReference", p.bacsReference);
        };
        switch (layout) {
        case Standard:
            if (!p.iat)
                note(row, "PayeeAccountName", p.name);
            reference();
            break;
        case Template:
            reference();
            break;
        case BulkList: {
            note(row, "PayeeAccountName", p.name);
            if (!qf::ToBankText(Ansi(p.bacsReference).c_str()).empty())
                note(row, "PayeeBACSReference", p.bacsReference);
            note(row, "PayeeRollNumber", p.rollNumber);
            break;
        }
        case AdHocBulk:
            note(row, "PayeeAccountName", p.name);
            reference();
            break;
        default:
            break;
        }
    }
    return changed;
}

} // namespace corvane
