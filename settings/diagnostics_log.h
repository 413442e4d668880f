// The diagnostics log: what a payment run or a statement import did, for
// support to read at a customer's. Off unless BANKSERV.INI says
//
//   [Diagnostics]
//   Log=1                  (or true, yes)
//   LogFile=D:\logs\q.log  (optional; a relative path is taken from the
//                           settings folder; default Quillfen.log there)
//
// The log never holds personal data: no payee names, no amounts, and
// account numbers only as their last four digits (MaskedAccount). It is
// kept below kMaxLogBytes by moving the full file to "<log>.1". Nothing
// about the log ever stops or changes a run: failures to write it are
// ignored.
#pragma once
#include <cstdint>
#include <string>

namespace qf::diagnostics {

constexpr std::uint64_t kMaxLogBytes = 1024 * 1024;

struct LogSettings {
    bool enabled = false;
    std::string path; // where the log goes; "" when no path can be named
};

// The settings as BANKSERV.INI has them now.
LogSettings ReadLogSettings();

// Appends text to the file at path. When the file would grow past maxBytes
// it is first moved to path + ".1" (replacing an older one), so at most two
// files are kept. False when the text could not be written.
bool AppendToLog(const std::string& path, const std::string& text, std::uint64_t maxBytes = kMaxLogBytes);

// "****6819": at most the last four characters of an account number.
std::string MaskedAccount(const char* number);

// The file name of the process's program ("corvane.exe").
std::string HostProcessName();

// "2.2.230.0 (build 2901e423993d)", from the component's version resource.
std::string ComponentVersion();

// One run's entry in the log, written when the run ends (the object goes).
// While it lives, every diagnostic message this thread writes to the debug
// output goes into the entry too. When the log is off, nothing is kept.
class RunLog {
public:
    // run names the kind of run on every line ("payments", "statement").
    explicit RunLog(const char* run);
    ~RunLog();
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    bool On() const noexcept { return m_on; }
    // Adds one line (printf format, no line end), stamped with the time.
    void Write(const char* format, ...) __attribute__((format(printf, 2, 3)));

private:
    static void Tee(const char* text);
    void AddLine(const std::string& text);
    void FlushDebug();

    bool m_on = false;
    std::string m_path;
    std::string m_run;
    std::string m_text;  // the entry so far
    std::string m_debug; // a debug message not yet ended by a line break
    RunLog* m_outer = nullptr;
};

} // namespace qf::diagnostics
