// What corvane pay says of the payees' names and references that reach the
// bank spelt otherwise than typed: every one the component writes for the
// layout chosen, where the component's own notice names only the first ten.
#pragma once
#include <string>
#include <vector>

namespace corvane {

// The texts of one payment that the component may write into the file.
struct PayeeTexts {
    std::wstring name, rollNumber, bacsReference;
    bool iat = false; // a transfer between the payer's own accounts (no name written)
    bool leftOut = false; // not written at all (written to a payment file before)
};

struct ChangedBankText {
    long row = -1;         // the payment's row; -1 for the beneficiary reference
    std::string property;  // "PayeeAccountName", ..., "BeneficiaryReference"
    std::string typed;     // UTF-8
    std::string written;   // in the bank's characters
};

// layout as Options has it (0 standard, 1 template, 2 bulk list, 3 ad hoc
// bulk); the beneficiary reference counts for the bulk layouts only.
std::vector<ChangedBankText> ChangedBankTexts(const std::vector<PayeeTexts>& payees, int layout,
                                              const std::wstring& beneficiaryReference);

} // namespace corvane
