#include "statements/journal/win/statement_journal.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "settings/record_locations.h"
#include "platform/serial_date.h"
#include "platform/win/handle.h"
#include "statements/journal/import_journal.h"
#include "statements/journal/journal_file.h"

namespace qf {
namespace {

// A waiting journal thread is woken once this many runs of lines are
// ready, not for each: every wake-up can cost the reader its core for a
// moment.
constexpr std::size_t kWakeWith = 2;

// A slim reader/writer lock held exclusively for a scope.
class Locked {
public:
    explicit Locked(SRWLOCK& lock) : m_lock(lock) { AcquireSRWLockExclusive(&m_lock); }
    ~Locked() { ReleaseSRWLockExclusive(&m_lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    SRWLOCK& m_lock;
};

// Runs part of the journal's work; what it raises becomes the reason it
// failed (null when it did not).
template <class F>
const char* Guarded(F work) noexcept
{
    try {
        work();
        return nullptr;
    } catch (const std::bad_alloc&) {
        return "not enough memory for the journal";
    } catch (...) {
        return "the journal's work failed unexpectedly";
    }
}

} // namespace

// The journal's side of an import. What the run and the thread share is
// guarded by m_lock; the rest belongs to the thread until it says it has
// checked every line, and is read by the run only after that.
class StatementJournal::Work {
public:
    Work(std::string path, std::int64_t now) : m_now(now), m_file(std::move(path)) {}
    ~Work();
    Work(const Work&) = delete;
    Work& operator=(const Work&) = delete;

    // Starts the thread; without one the work is done on the run's own
    // thread as it is asked for.
    void Start();

    // The run's side.
    void Add(const StatementLine* lines, std::size_t count);
    void EndChecks(StatementImportReport& report);
    bool Known(std::size_t line) const { return m_useKnown && line < m_known.size() && m_known[line]; }
    void BeginSave(bool newOnly);
    // False, with nothing done, when no journal is kept.
    bool Save(StatementImportReport& report);

private:
    static DWORD WINAPI ThreadMain(void* self) noexcept;
    void Run();

    // The thread's side.
    void Load();
    void Check(const StatementLine* lines, std::size_t count);
    void Write();
    // The run's side: the new journal in place of the old; why is left
    // empty when it is.
    void Place(std::string& why);
    // Notes why the lines could not be checked, when why is not null.
    void Fail(const char* why) noexcept;
    // What Run does when something escapes it: nothing waits on the thread
    // in vain.
    void Abandon() noexcept;

    const std::int64_t m_now;
    JournalFile m_file; // removes a new journal not put in place
    Handle m_thread;

    // Shared.
    SRWLOCK m_lock = SRWLOCK_INIT;
    CONDITION_VARIABLE m_toThread = CONDITION_VARIABLE_INIT, m_toRun = CONDITION_VARIABLE_INIT;
    struct Lines {
        const StatementLine* first;
        std::size_t count;
    };
    std::deque<Lines> m_ready;
    bool m_checksEnded = false, m_checked = false;
    bool m_saveAsked = false, m_newOnly = true, m_saved = false;
    bool m_stop = false;
    bool m_threadWaits = false;

    // The run's own.
    bool m_useKnown = false;

    // The thread's own.
    ImportJournal m_journal;
    std::unique_ptr<LineIdentifier> m_identify;
    StatementImportReport::Journal m_state = StatementImportReport::Journal::Off;
    bool m_on = false;      // a journal is written after the import
    bool m_checks = false;  // lines are looked up in it
    bool m_failed = false;  // the lines could not be checked
    std::string m_problem;
    std::vector<bool> m_known;
    // Every line checked, for a journal that another import wrote meanwhile.
    ImportedLines m_lines;
    BlockList<JournalEntry> m_new, m_again; // the lines not imported before, and those that were
    long m_before = 0;
    std::int64_t m_latest = 0;
    std::size_t m_noted = 0; // lines in the new journal's making
    bool m_written = false;
    std::string m_writeProblem;
    const char* m_writeFailure = nullptr; // what Write raised
};

StatementJournal::Work::~Work()
{
    if (m_thread) {
        {
            Locked lock(m_lock);
            m_stop = true;
        }
        WakeAllConditionVariable(&m_toThread);
        WaitForSingleObject(m_thread.Get(), INFINITE);
    }
}

void StatementJournal::Work::Start()
{
    m_thread = Handle(CreateThread(nullptr, 0, &ThreadMain, this, 0, nullptr));
    if (!m_thread)
        Fail(Guarded([this] { Load(); }));
}

DWORD WINAPI StatementJournal::Work::ThreadMain(void* self) noexcept
{
    Work* work = static_cast<Work*>(self);
    try {
        work->Run();
    } catch (...) {
        work->Abandon();
    }
    return 0;
}

void StatementJournal::Work::Abandon() noexcept
{
    {
        Locked lock(m_lock);
        m_failed = true;
        m_checked = m_saved = true;
        m_writeFailure = "the journal's work failed unexpectedly";
    }
    WakeAllConditionVariable(&m_toRun);
}

void StatementJournal::Work::Run()
{
    Fail(Guarded([this] { Load(); }));
    for (;;) {
        Lines lines;
        {
            Locked lock(m_lock);
            m_threadWaits = true;
            while (m_ready.empty() && !m_checksEnded && !m_stop)
                SleepConditionVariableSRW(&m_toThread, &m_lock, INFINITE, 0);
            m_threadWaits = false;
            if (m_stop)
                return;
            if (m_ready.empty()) {
                m_checked = true;
                break;
            }
            lines = m_ready.front();
            m_ready.pop_front();
        }
        if (!m_failed)
            Fail(Guarded([&] { Check(lines.first, lines.count); }));
    }
    WakeConditionVariable(&m_toRun);
    {
        Locked lock(m_lock);
        while (!m_saveAsked && !m_stop)
            SleepConditionVariableSRW(&m_toThread, &m_lock, INFINITE, 0);
        if (m_stop)
            return;
    }
    m_writeFailure = Guarded([this] { Write(); });
    {
        Locked lock(m_lock);
        m_saved = true;
    }
    WakeConditionVariable(&m_toRun);
}

void StatementJournal::Work::Fail(const char* why) noexcept
{
    if (!why)
        return;
    m_failed = true;
    try {
        m_problem += m_problem.empty() ? "" : "; ";
        m_problem += why;
    } catch (...) {
        // The reason is lost, not the failure.
    }
}

void StatementJournal::Work::Load()
{
    using Journal = StatementImportReport::Journal;
    std::string why;
    switch (m_file.Load(m_journal, why)) {
    case JournalState::Read:
        m_state = Journal::Kept;
        m_on = true;
        break;
    case JournalState::Missing:
        m_on = true;
        break;
    case JournalState::Damaged:
        // Replaced by one with this import's lines, and kept aside.
        m_on = true;
        m_state = Journal::Unreadable;
        m_problem = why;
        break;
    case JournalState::Unreadable:
        // Left alone.
        m_state = Journal::Unreadable;
        m_problem = why;
        break;
    }
    if (m_on && m_state != Journal::Kept && !ImportJournal::CreateNew(m_journal)) {
        m_problem += m_problem.empty() ? "" : "; ";
        m_problem += "no random key could be made";
        m_state = Journal::Unreadable;
        m_on = false;
    }
    if (m_on && m_state == Journal::Off)
        m_state = Journal::Kept;
    m_checks = m_state == Journal::Kept;
    if (m_on)
        m_identify.reset(new LineIdentifier(m_journal.HashKey(),
                                            m_journal.HasLegacy() ? &m_journal.LegacyHashKey() : nullptr));
}

void StatementJournal::Work::Check(const StatementLine* lines, std::size_t count)
{
    if (!m_on)
        return;
    m_lines.runs.emplace_back(lines, count);
    for (const StatementLine* end = lines + count; lines != end; ++lines) {
        const StatementLine& line = *lines;
        LineKey legacy;
        const LineKey key = m_identify->Identify(line, &legacy);
        const JournalEntry* entry = m_checks ? m_journal.Find(key) : nullptr;
        if (!entry && m_checks && m_journal.HasLegacy())
            entry = m_journal.FindLegacy(legacy);
        const JournalEntry noted{key, JournalDate(line.date), m_now};
        m_known.push_back(entry != nullptr);
        if (!entry) {
            m_new.push_back(noted);
            continue;
        }
        m_again.push_back(noted);
        ++m_before;
        m_latest = std::max(m_latest, entry->imported);
    }
}

void StatementJournal::Work::Write()
{
    m_noted = m_new.size() + (m_newOnly ? 0 : m_again.size());
    if (m_noted == 0)
        return;
    m_journal.AddNew(std::move(m_new));
    // A line imported again keeps the time of this import. It may have been
    // known only by its digest of a journal of the text form: Add finds out.
    if (!m_newOnly)
        for (std::size_t i = 0; i < m_again.size(); ++i)
            m_journal.Add(m_again[i].key, m_again[i].date, m_now);
    m_journal.Prune();
    m_written = m_file.WriteNext(m_journal, m_writeProblem);
}

void StatementJournal::Work::Place(std::string& why)
{
    m_lines.known = m_known;
    m_lines.newOnly = m_newOnly;
    m_lines.imported = m_now;
    std::string problem;
    switch (m_file.Replace(m_journal, m_lines, JournalFile::kLockWaitMs, problem)) {
    case SharedFile::Outcome::Replaced:
        break;
    case SharedFile::Outcome::Busy:
        why = "the journal is busy: " + problem;
        break;
    case SharedFile::Outcome::Failed:
        why = problem;
        break;
    }
}

void StatementJournal::Work::Add(const StatementLine* lines, std::size_t count)
{
    if (!m_thread) {
        if (!m_failed)
            Fail(Guarded([&] { Check(lines, count); }));
        return;
    }
    bool wake;
    {
        Locked lock(m_lock);
        m_ready.push_back({lines, count});
        wake = m_threadWaits && m_ready.size() >= kWakeWith;
    }
    if (wake)
        WakeConditionVariable(&m_toThread);
}

void StatementJournal::Work::EndChecks(StatementImportReport& report)
{
    if (m_thread) {
        {
            Locked lock(m_lock);
            m_checksEnded = true;
        }
        WakeConditionVariable(&m_toThread);
        Locked lock(m_lock);
        while (!m_checked)
            SleepConditionVariableSRW(&m_toRun, &m_lock, INFINITE, 0);
    }
    report.journal = m_state;
    report.journalProblem = m_problem;
    if (m_failed) {
        // Nothing was checked, and nothing will be written.
        report.journal = StatementImportReport::Journal::Unreadable;
        m_on = false;
        return;
    }
    m_useKnown = true;
    report.importedBefore = m_before;
    if (m_before > 0)
        report.latestImport = StampText(m_latest);
}

void StatementJournal::Work::BeginSave(bool newOnly)
{
    if (!m_on)
        return;
    if (!m_thread) {
        m_newOnly = newOnly;
        m_writeFailure = Guarded([this] { Write(); });
        m_saved = true;
        return;
    }
    {
        Locked lock(m_lock);
        m_newOnly = newOnly;
        m_saveAsked = true;
    }
    WakeConditionVariable(&m_toThread);
}

bool StatementJournal::Work::Save(StatementImportReport& report)
{
    if (!m_on)
        return false;
    {
        Locked lock(m_lock);
        while (!m_saved)
            SleepConditionVariableSRW(&m_toRun, &m_lock, INFINITE, 0);
    }
    std::string why;
    if (m_writeFailure) {
        why = m_writeFailure;
    } else if (m_noted == 0) {
        return true;
    } else if (!m_written) {
        why = m_writeProblem;
    } else if (const char* failure = Guarded([&] { Place(why); })) {
        why = failure;
    } else if (why.empty()) {
        return true;
    }
    report.journalUnwritten = true;
    report.journalProblem += report.journalProblem.empty() ? "" : "; ";
    report.journalProblem += why;
    return true;
}

StatementJournal::StatementJournal(StatementImportReport& report) : m_report(report)
{
    if (!RememberImports()) {
        report.journalProblem = "RememberImports is Off";
        return;
    }
    std::string path, why;
    if (!ImportJournalPath(report.hostAccount.sortCode, report.hostAccount.accountNumber, true, path, why)) {
        report.journalProblem = why;
        // An account that cannot have a journal is no failure; a folder
        // that cannot be made is.
        if (why.compare(0, 15, "the account is ") != 0)
            report.journal = StatementImportReport::Journal::Unreadable;
        return;
    }
    m_work.reset(new Work(path, NowStamp()));
    m_work->Start();
}

StatementJournal::~StatementJournal() = default;

void StatementJournal::Check(const StatementLine* lines, std::size_t count)
{
    if (m_work && count > 0)
        m_work->Add(lines, count);
}

void StatementJournal::EndChecks()
{
    if (m_work)
        m_work->EndChecks(m_report);
}

bool StatementJournal::Known(std::size_t line) const
{
    return m_work && m_work->Known(line);
}

void StatementJournal::BeginSave(bool newOnly)
{
    if (m_work)
        m_work->BeginSave(newOnly);
}

void StatementJournal::Save()
{
    if (m_work && m_work->Save(m_report))
        return;
    // Lines imported without a journal to remember them in.
    if (m_report.imported > 0 && m_report.journal == StatementImportReport::Journal::Unreadable)
        m_report.journalUnwritten = true;
}

} // namespace qf
