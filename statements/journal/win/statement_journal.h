// The journal of imported lines as one statement import uses it: read for
// the account being reconciled, asked about each of the account's lines,
// written after the import. Nothing about it ever stops an import: a
// journal that cannot be read or written is noted in the run's report,
// which tells the user and the diagnostics log.
//
// The journal's work runs on a thread of its own beside the import: it
// reads the journal and identifies the lines while the file is still being
// read, and writes the new journal while the lines are added to the
// statement. The run waits for it only where it needs its answers. The
// thread never calls the host, and never outlives the journal object.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "statements/statement_import_report.h"

namespace qf {

struct StatementLine;

class StatementJournal {
public:
    // Starts reading the account's journal when RememberImports is on and
    // the account can have one.
    explicit StatementJournal(StatementImportReport& report);
    // Stops the journal's work; a new journal not yet in place is removed.
    ~StatementJournal();
    StatementJournal(const StatementJournal&) = delete;
    StatementJournal& operator=(const StatementJournal&) = delete;

    // The next of the account's lines, in file order. They stay where they
    // are, unchanged, until Save: another import may have written the
    // journal meanwhile, and they are then added to that one.
    void Check(const StatementLine* lines, std::size_t count);
    // After the last line: waits until every line is checked, and puts
    // what the journal knew into the report.
    void EndChecks();
    // Whether the account's line number `line` (from 0, in the order of
    // Check) was imported before; asked after EndChecks.
    bool Known(std::size_t line) const;
    // Before the lines are added to the statement: the new journal, with
    // every line about to be added (with newOnly, those not imported
    // before), is written beside the old one.
    void BeginSave(bool newOnly);
    // After all of them reached the statement: the new journal takes the
    // old one's place, once no other import is putting its own in place (a
    // lock beside the journal, waited for a few seconds at most). When
    // another import replaced the journal since it was read, this import's
    // lines are added to that one instead. A failure goes into the report.
    void Save();

    class Work; // the journal's side

private:
    StatementImportReport& m_report;
    std::unique_ptr<Work> m_work;
};

} // namespace qf
