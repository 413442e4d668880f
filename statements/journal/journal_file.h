// The journal file of one account as an import uses it when imports in
// other processes may use it at the same time: read at the start, its next
// version written beside it while the lines are added, and put in place at
// the end (see text/shared_file.h). When another import replaced the
// journal meanwhile, what is put in place is that journal with this
// import's lines added to it: both imports' lines are remembered.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "statements/journal/import_journal.h"
#include "text/shared_file.h"

namespace qf {

// The lines an import adds to the journal, kept until its next version is in
// place. The journal they are then added to may have another key than the one
// they were looked up with (two first imports of an account each made one),
// so they are kept as lines, not as keys.
struct ImportedLines {
    // Every line of the file for the account, in file order, in runs.
    std::vector<std::pair<const StatementLine*, std::size_t>> runs;
    // Per line: whether the journal knew it before this import.
    std::vector<bool> known;
    // Only the lines not known before were imported; otherwise all were.
    bool newOnly = true;
    std::int64_t imported = 0; // when, YYYYMMDDhhmm
};

// Adds the lines the import took in to journal, keyed with the journal's own
// key (a line already there keeps the later import time), and prunes it.
void AddImportedLines(ImportJournal& journal, const ImportedLines& lines);

class JournalFile {
public:
    static constexpr unsigned kLockWaitMs = SharedFile::kWaitMs;

    explicit JournalFile(std::string path) : m_file(std::move(path)) {}

    const std::string& Path() const noexcept { return m_file.Path(); }

    // Reads the journal as LoadJournal does (under the lock, waited for as
    // long as when replacing, then read without it), noting which version
    // it was; a damaged one is kept aside when this import's journal
    // replaces it.
    JournalState Load(ImportJournal& journal, std::string& why, unsigned waitMs = kLockWaitMs);
    // Writes journal, which holds this import's lines, beside the file.
    bool WriteNext(const ImportJournal& journal, std::string& why);
    // Puts it in place. When another import replaced the file since Load,
    // the journal now there with lines added is written instead; one that
    // is damaged is kept aside and journal goes in its place.
    SharedFile::Outcome Replace(const ImportJournal& journal, const ImportedLines& lines, unsigned waitMs,
                                std::string& why);

private:
    SharedFile m_file;
};

} // namespace qf
