// A statement line as the import carries it from the reader to the journal
// and into the host's statement: the values that make the transaction, its
// texts kept elsewhere (side by side in blocks that outlive the line), so
// that a line costs no allocation of its own. The reader makes it from its
// record (StatementLineOf), the journal knows it by its key, and the run
// keeps it until it adds it to the host's statement.
#pragma once
#include <cstdint>

namespace qf {

struct StatementLine {
    double date = 0;   // serial date
    double amount = 0; // the debit or the credit
    // The narratives joined as the statement shows them (the first, then
    // each other one that is not empty, after a space), then the type.
    const char* narrative = "";
    std::uint32_t narrativeSize = 0; // of the joined narrative
    // A field is never longer than the reader's longest line.
    std::uint16_t narrativeSizes[5] = {};
    std::uint16_t typeSize = 0;
    bool debit = false;

    const char* Type() const noexcept { return narrative + narrativeSize; }
};

} // namespace qf
