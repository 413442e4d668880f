// What one statement import did, in numbers and reasons: enough to tell the
// user what was left out, and to log the run, without ever holding the
// content of a line.
#pragma once
#include <string>
#include <vector>

namespace qf {

// Why a line after the header was not imported.
enum class SkipReason {
    TooFewFields = 1, // fewer than 14 fields
    LineTooLong,      // longer than the reader's line limit
    BeyondHeader,     // more fields than the header declares (18 under 14)
    NotADate,         // the date column holds no calendar day
    NotAnAmount,      // a debit or credit that is neither empty nor a number
};

// A short English text for a reason ("too few fields"), for logs.
const char* SkipReasonText(SkipReason reason) noexcept;

struct SkippedLine {
    long line = 0; // line number in the file; the header is line 1
    SkipReason reason = SkipReason::TooFewFields;
};

// A sort code and account number as compared with the host's account.
struct StatementAccount {
    std::string sortCode;
    std::string accountNumber;
};

struct StatementImportReport {
    enum class Outcome {
        Cancelled,     // no file was chosen
        NotOpened,     // the chosen file could not be opened (missing, locked, a folder)
        NotAStatement, // its header has neither 14 nor 18 fields
        Read,          // the file was read to its end
    };
    // The most accounts kept in `accounts`.
    static constexpr std::size_t kMaxAccounts = 10;

    Outcome outcome = Outcome::Cancelled;
    std::string path;          // the chosen file
    int headerFieldCount = 0;  // 0 when the file did not open
    bool utf8 = false;         // the file starts with a UTF-8 byte-order mark
    long dataLines = 0;        // lines after the header, blank ones included
    long blankLines = 0;       // empty, or only separators and white space
    long imported = 0;         // lines added to the host's statement
    std::vector<SkippedLine> skipped;       // every unreadable line, in file order
    std::vector<StatementAccount> accounts; // distinct accounts of the readable lines, first ones only
    bool moreAccounts = false;              // the file holds more than kMaxAccounts accounts
    StatementAccount hostAccount;           // the host's account as compared

    // What the journal of imported lines knew and did.
    enum class Journal {
        Off,        // RememberImports is Off, or the account has no journal
        Kept,       // read (or new) and used
        Unreadable, // there but unreadable or damaged: every line was imported
    };
    Journal journal = Journal::Off;
    long importedBefore = 0;  // the account's lines of the file that the journal knew
    long accountLines = 0;    // the account's lines of the file
    std::string latestImport; // when the latest of them was imported, "09/12/2026 at 05:12"
    long passedOver = 0;      // lines left out because they were imported before
    bool declined = false;    // the user cancelled at the question: nothing was imported
    bool journalUnwritten = false; // lines were imported, but the journal could not be written
    std::string journalProblem;    // why the journal could not be used or written, for the log

    // True when the user must hear about the run: nothing or not everything
    // of the chosen file reached the statement.
    bool NeedsNotice() const noexcept
    {
        return outcome == Outcome::NotOpened || outcome == Outcome::NotAStatement ||
               (outcome == Outcome::Read && !declined &&
                (!skipped.empty() || (imported == 0 && passedOver == 0) || journal == Journal::Unreadable ||
                 journalUnwritten));
    }
};

} // namespace qf
