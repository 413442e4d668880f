// The check of a batch before its payment file is written: which payments
// repeat one earlier in the batch, and which were written to a payment file
// before (paid_record.h).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "payments/paid/paid_record.h"

namespace qf {

struct PaidCheck {
    enum class Kind {
        None,
        Twin,       // the same as an earlier payment of the batch
        PaidBefore, // written to a payment file before
    };
    Kind kind = Kind::None;
    std::size_t twinOf = 0; // Twin: the index in the batch of the first of them
    PaidBefore before;      // PaidBefore: its latest writing
};

// One result per payment of batch, in its order. Payments are the same when
// payee sort code and account, pence and reference all are.
//
// A payment is PaidBefore when record holds a writing of it made within
// days calendar days before now (YYYYMMDDhhmm: from the same minute days
// days earlier), or later; that wins over Twin, so the second of two
// payments that were both paid before names the earlier file as well.
// Otherwise a payment is the Twin of the first of its kind earlier in the
// batch. Twins are always looked for: days <= 0 turns off only the look
// into the record, as does a null record (one that could not be read).
// How many of checks are of kind.
std::size_t CountOf(const std::vector<PaidCheck>& checks, PaidCheck::Kind kind);

std::vector<PaidCheck> CheckPaid(const PaidRecord* record, const std::vector<PaidPayment>& batch, std::int64_t now,
                                 int days);

} // namespace qf
