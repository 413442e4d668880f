#include "payments/paid/paid_check.h"

#include <unordered_map>

#include "platform/serial_date.h"

namespace qf {
namespace {
struct DigestHash {
    std::size_t operator()(const Sip128& digest) const noexcept { return DigestSlot(digest, 0, ~std::size_t(0)); }
};
} // namespace

std::vector<PaidCheck> CheckPaid(const PaidRecord* record, const std::vector<PaidPayment>& batch, std::int64_t now,
                                 int days)
{
    // Twins are told by digest: under the record's key when there is one,
    // so that each payment is digested once.
    const PaidRecord keyOnly;
    const PaidRecord& digests = record ? *record : keyOnly;
    const bool lookBack = record && days > 0;
    const std::int64_t since = lookBack ? StampDaysBefore(now, days) : 0;
    std::vector<PaidCheck> checks(batch.size());
    std::unordered_map<Sip128, std::size_t, DigestHash> first;
    first.reserve(batch.size());
    for (std::size_t i = 0; i < batch.size(); ++i) {
        const Sip128 digest = digests.DigestOf(batch[i]);
        const std::size_t firstOf = first.emplace(digest, i).first->second;
        PaidCheck& check = checks[i];
        if (const PaidEntry* e = lookBack ? record->Find(digest, since) : nullptr) {
            check.kind = PaidCheck::Kind::PaidBefore;
            check.before = record->Before(*e);
        } else if (firstOf != i) {
            check.kind = PaidCheck::Kind::Twin;
            check.twinOf = firstOf;
        }
    }
    return checks;
}

std::size_t CountOf(const std::vector<PaidCheck>& checks, PaidCheck::Kind kind)
{
    std::size_t n = 0;
    for (const PaidCheck& c : checks)
        n += c.kind == kind;
    return n;
}

} // namespace qf
