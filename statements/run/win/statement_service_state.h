// What a statement import run needs of the statement service: the Status it
// leaves for the host and the account of the last import, which outlives the
// run. The run and its log both take it; the log knows nothing of the run.
#pragma once
#include "text/cstring.h"

namespace qf {

// The statement service's Status after a run. An import that read the file,
// imported nothing, or stopped with an error leaves Done: only the user's
// cancel is an outcome of its own.
enum class StatementStatus : long { Done = 0, NoFileChosen = 1 };

struct StatementServiceState {
    long& status;
    CString& SortCode;
    CString& AccountNumber;
    void SetStatus(StatementStatus value) const noexcept { status = static_cast<long>(value); }
};

} // namespace qf
