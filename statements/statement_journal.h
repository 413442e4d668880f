// The journal of imported lines as one statement import uses it: read at
// the start for the account being reconciled, asked about each of the
// account's lines, written after the import. Nothing about it ever stops
// an import: a journal that cannot be read or written is noted in the
// run's report, which tells the user and the diagnostics log.
#pragma once
#include <string>

#include "statements/import_journal.h"
#include "statements/statement_import_report.h"

namespace qf {

class StatementJournal {
public:
    // Reads the account's journal when RememberImports is on and the
    // account can have one.
    explicit StatementJournal(StatementImportReport& report);
    StatementJournal(const StatementJournal&) = delete;
    StatementJournal& operator=(const StatementJournal&) = delete;

    // Whether lines are checked against the journal.
    bool Checks() const noexcept { return m_report.journal == StatementImportReport::Journal::Kept; }
    // Identifies one of the account's lines, in file order: key, and known,
    // true when the journal has the line (counted in the report with its
    // import time). Both are filled in by the next Check or by Finish, so
    // that the memory a lookup needs is on its way while the next line is
    // read: they must stay where they are until then.
    void Check(const CTransactionRecord& record, LineKey& key, bool& known);
    // Completes the last line's check.
    void Finish();
    // Notes a line that reached the statement; known as Check said.
    void Imported(const LineKey& key, double date, bool known);
    // Writes the journal when lines were noted; a failure goes into the report.
    void Save();

private:
    void Complete();

    StatementImportReport& m_report;
    bool m_on = false;       // a journal is kept for this account
    bool m_damaged = false;  // the old file is set aside before the new one is written
    std::string m_path;
    ImportJournal m_journal;
    LineIdentifier m_identify;
    std::int64_t m_latest = 0;
    std::int64_t m_now = 0;
    long m_noted = 0;
    // The line whose check Complete finishes.
    LineKey* m_waitingKey = nullptr;
    bool* m_waitingKnown = nullptr;
    LineKey m_waitingLegacy;
};

} // namespace qf
