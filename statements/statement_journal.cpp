#include "statements/statement_journal.h"

#include <cstdio>

#include "platform/platform.h"
#include "settings/import_journal_location.h"
#include "statements/transaction_record.h"

namespace qf {
namespace {

std::int64_t Stamp(const platform::LocalTime& t)
{
    return ((static_cast<std::int64_t>(t.year) * 100 + t.month) * 100 + t.day) * 10000 + t.hour * 100 + t.minute;
}

std::string StampText(std::int64_t stamp)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d at %02d:%02d", static_cast<int>(stamp / 10000 % 100),
                  static_cast<int>(stamp / 1000000 % 100), static_cast<int>(stamp / 100000000),
                  static_cast<int>(stamp / 100 % 100), static_cast<int>(stamp % 100));
    return text;
}

// The journal a run reads: empty until the constructor has read one, so
// that its key exists before the identifier is made from it.
ImportJournal ReadJournal(StatementImportReport& report, bool& on, bool& damaged, std::string& path)
{
    using Journal = StatementImportReport::Journal;
    ImportJournal journal;
    if (!RememberImports()) {
        report.journalProblem = "RememberImports is Off";
        return journal;
    }
    std::string why;
    if (!ImportJournalPath(report.hostAccount.sortCode, report.hostAccount.accountNumber, true, path, why)) {
        report.journalProblem = why;
        // An account that cannot have a journal is no failure; a folder
        // that cannot be made is.
        if (why.compare(0, 15, "the account is ") != 0)
            report.journal = Journal::Unreadable;
        return journal;
    }
    on = true;
    switch (LoadJournal(path, journal, why)) {
    case JournalState::Read:
        report.journal = Journal::Kept;
        return journal;
    case JournalState::Missing:
        break;
    case JournalState::Damaged:
        damaged = true;
        [[fallthrough]];
    case JournalState::Unreadable:
        report.journal = Journal::Unreadable;
        report.journalProblem = why;
        // An unreadable journal is left alone; a damaged one is replaced
        // by one with this import's lines.
        on = damaged;
        break;
    }
    if (on && !ImportJournal::CreateNew(journal)) {
        report.journalProblem += report.journalProblem.empty() ? "" : "; ";
        report.journalProblem += "no random key could be made";
        report.journal = Journal::Unreadable;
        on = false;
    }
    if (on && report.journal == Journal::Off)
        report.journal = Journal::Kept;
    return journal;
}

} // namespace

StatementJournal::StatementJournal(StatementImportReport& report)
    : m_report(report), m_journal(ReadJournal(report, m_on, m_damaged, m_path)),
      m_identify(m_journal.HashKey(), m_journal.HasLegacy() ? &m_journal.LegacyHashKey() : nullptr),
      m_now(Stamp(platform::Now()))
{
}

LineKey StatementJournal::Check(const CTransactionRecord& record, bool& known)
{
    known = false;
    ++m_report.accountLines;
    if (!m_on)
        return LineKey();
    LineKey legacy;
    const LineKey key = m_identify.Identify(record, &legacy);
    const JournalEntry* entry = Checks() ? m_journal.Find(key) : nullptr;
    if (!entry && Checks() && m_journal.HasLegacy())
        entry = m_journal.FindLegacy(legacy);
    if (entry) {
        known = true;
        ++m_report.importedBefore;
        if (entry->imported > m_latest) {
            m_latest = entry->imported;
            m_report.latestImport = StampText(m_latest);
        }
    }
    return key;
}

void StatementJournal::Imported(const LineKey& key, double date, bool known)
{
    if (!m_on)
        return;
    // A line known before may be known only by its digest of a journal of
    // the text form: Add finds out.
    if (known)
        m_journal.Add(key, JournalDate(date), m_now);
    else
        m_journal.AddNew(key, JournalDate(date), m_now);
    ++m_noted;
}

void StatementJournal::Save()
{
    if (!m_on) {
        // Lines imported without a journal to remember them in.
        if (m_report.imported > 0 && m_report.journal == StatementImportReport::Journal::Unreadable)
            m_report.journalUnwritten = true;
        return;
    }
    if (m_noted == 0)
        return;
    if (m_damaged)
        platform::ReplaceFileWith(m_path.c_str(), (m_path + ".damaged").c_str());
    m_journal.Prune();
    std::string why;
    if (!SaveJournal(m_path, m_journal, why)) {
        m_report.journalUnwritten = true;
        m_report.journalProblem += m_report.journalProblem.empty() ? "" : "; ";
        m_report.journalProblem += why;
    }
}

} // namespace qf
