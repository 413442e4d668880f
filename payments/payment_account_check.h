// The account check of a payment batch, before its file is written: each
// payee's sort code and account number that pass the payment's own checks,
// and the paying account of the first payment once.
#pragma once
#include <vector>

#include "accountcheck/account_advice.h"
#include "payments/payment_source.h"

namespace qf {

// The name the question gives the paying account.
extern const char kPayingAccountName[]; // "Paying account"

struct BatchAccountCheck {
    std::vector<FailedAccount> invalid; // in batch order, the paying account first
    long unchecked = 0;                 // pairs whose sort code no range covers
};

// Reads the pairs from the host (a payee's name only when its pair fails).
// A payment the host does not deliver is passed over: the run reports it.
BatchAccountCheck CheckBatchAccounts(PaymentBatch& batch, const ModulusTable& table);

} // namespace qf
