#include "statements/journal/journal_file.h"

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
    const JournalState state = LoadSharedFile(
        m_file, [&journal](const ByteSource& source, std::string& problem) { return journal.Read(source, problem); },
        why, waitMs);
    if (state != JournalState::Read)
        journal = ImportJournal();
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
        } else if (const SharedFile::Merge read = MergeOf(ReadJournal(current, Path(), merged, problem));
                   read != SharedFile::Merge::Taken) {
            return read;
        }
        AddImportedLines(merged, lines);
        isMerged = true;
        return SharedFile::Merge::Taken;
    };
    auto write = [&](std::FILE* file) { return WriteJournal(file, isMerged ? merged : journal); };
    return m_file.Replace(merge, write, waitMs, why);
}

} // namespace qf
