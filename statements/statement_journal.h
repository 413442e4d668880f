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
    // The key of one of the account's lines, in file order; known is true
    // when the journal has it (counted in the report with its import time).
    LineKey Check(const CTransactionRecord& record, bool& known);
    // Notes a line that reached the statement; known as Check said.
    void Imported(const LineKey& key, double date, bool known);
    // Writes the journal when lines were noted; a failure goes into the report.
    void Save();

private:
    StatementImportReport& m_report;
    bool m_on = false;       // a journal is kept for this account
    bool m_damaged = false;  // the old file is set aside before the new one is written
    std::string m_path;
    ImportJournal m_journal;
    LineIdentifier m_identify;
    std::int64_t m_latest = 0;
    std::int64_t m_now = 0;
    long m_noted = 0;
};

} // namespace qf
