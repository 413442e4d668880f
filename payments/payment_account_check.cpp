#include "payments/payment_account_check.h"

#include <memory>
#include <string>

#include "accountcheck/account_check.h"
#include "payments/payment_checks.h"

namespace qf {

const char kPayingAccountName[] = "Paying account";

namespace {

// The check of a pair that the payment's own checks let through; false for
// a pair they refuse (its status code says what is wrong with it).
bool Check(const ModulusTable& table, const CString& sortCode, const CString& accountNumber, AccountCheck& check,
           CString& digits)
{
    if (!IsValidSortCode(sortCode) || !IsValidAccountNumber(accountNumber))
        return false;
    digits = DigitsOnly(sortCode);
    check = CheckAccount(table, digits, accountNumber);
    return true;
}

} // namespace

BatchAccountCheck CheckBatchAccounts(PaymentBatch& batch, const ModulusTable& table)
{
    BatchAccountCheck result;
    const std::int32_t count = batch.Count();
    for (std::int32_t i = 0; i < count; ++i) {
        const std::unique_ptr<Payment> payment = batch.Item(i);
        if (!payment)
            continue;
        AccountCheck check;
        CString digits;
        if (i == 0) {
            const CString number = payment->PayerAccountNumber();
            if (Check(table, payment->PayerSortCode(), number, check, digits)) {
                if (check.result == AccountCheckResult::Invalid)
                    result.invalid.push_back({kPayingAccountName, std::string(digits), std::string(number)});
                result.unchecked += check.result == AccountCheckResult::Unchecked ? 1 : 0;
            }
        }
        const CString number = payment->PayeeAccountNumber();
        if (!Check(table, payment->PayeeSortCode(), number, check, digits))
            continue;
        if (check.result == AccountCheckResult::Invalid)
            result.invalid.push_back({std::string(payment->PayeeAccountName().text), std::string(digits),
                                      std::string(number)});
        result.unchecked += check.result == AccountCheckResult::Unchecked ? 1 : 0;
    }
    return result;
}

} // namespace qf
