// What a payment run needs of the payment service: the Status it leaves for
// the host. The run and its log both take it; the log knows nothing of the
// run.
#pragma once

namespace qf {

struct PaymentServiceState {
    long& status;
    void SetStatus(long value) const noexcept { status = value; }
};

} // namespace qf
