#include "statements/journal/journal_file.h"

#include <cerrno>
#include <cstring>

namespace qf {

void AddImportedLines(ImportJournal& journal, const ImportedLines& lines)
{
    LineIdentifier identify(journal.HashKey());
    std::size_t at = 0;
    for (const auto& run : lines.runs)
        for (std::size_t i = 0; i < run.second; ++i, ++at) {
            const StatementLine& line = run.first[i];
            // Every line is identified, in order: its place among identical
            // lines counts those that were not taken in too.
            const LineKey key = identify.Identify(line);
            const bool known = at < lines.known.size() && lines.known[at];
            if (!known || !lines.newOnly)
                journal.Add(key, JournalDate(line.date), lines.imported);
        }
    journal.Prune();
}

JournalState JournalFile::Load(ImportJournal& journal, std::string& why, unsigned waitMs)
{
    journal = ImportJournal();
    JournalState state = JournalState::Missing;
    m_file.Read(
        [&](std::FILE* file) {
            if (file) {
                state = ReadJournal(file, Path(), journal, why);
            } else if (errno != ENOENT) {
                why = "cannot open " + Path() + ": " + std::strerror(errno);
                state = JournalState::Unreadable;
            }
        },
        waitMs);
    if (state == JournalState::Damaged)
        m_file.SeenDamaged();
    return state;
}

bool JournalFile::WriteNext(const ImportJournal& journal, std::string& why)
{
    return m_file.WriteNext([&journal](std::FILE* file) { return WriteJournal(file, journal); }, why);
}

SharedFile::Outcome JournalFile::Replace(const ImportJournal& journal, const ImportedLines& lines, unsigned waitMs,
                                         std::string& why)
{
    ImportJournal merged;
    bool isMerged = false;
    auto merge = [&](std::FILE* current, std::string& problem) {
        if (!current) {
            // Removed since it was read (its lines forgotten): only this
            // import's lines are remembered.
            merged = ImportJournal(journal.HashKey());
        } else {
            switch (ReadJournal(current, Path(), merged, problem)) {
            case JournalState::Read:
                break;
            case JournalState::Damaged:
                return SharedFile::Merge::Damaged;
            default:
                return SharedFile::Merge::Failed;
            }
        }
        AddImportedLines(merged, lines);
        isMerged = true;
        return SharedFile::Merge::Taken;
    };
    auto write = [&](std::FILE* file) { return WriteJournal(file, isMerged ? merged : journal); };
    return m_file.Replace(merge, write, waitMs, why);
}

} // namespace qf
