// The host program's two runs and the helpers they share.
#pragma once
#include <cstdio>
#include <set>
#include <string>

#include "host/corvane/command_line.h"

namespace corvane {

struct Date {
    int day = 0, month = 0, year = 0;
};

// How the statement command answers the component's question about lines
// imported before: only the new ones, all again, or nothing.
enum class AlreadyImported { New, All, None };

struct Options {
    bool haveAccount = false;
    std::wstring sortCode, accountNumber;
    // pay
    int layout = 0; // 0 standard, 1 template, 2 bulk list, 3 ad hoc bulk
    bool haveDate = false;
    Date date;
    std::string templateName, benRef;
    std::wstring out;    // --out as given
    std::string outPath; // the same as a Windows path in the ANSI code page, typed into the save dialog
    std::string extension; // the host's configured payment file extension
    std::set<int> iatRows;
    bool accountCheckStop = false; // --account-check stop: answer No to the account check's question
    bool interactive = false;
    bool json = false;
    // statement
    bool csv = false;
    AlreadyImported alreadyImported = AlreadyImported::New;
    bool forget = false;

    // Where the run's report goes: standard output, or standard error when
    // standard output carries CSV or JSON for a script.
    std::FILE* Info() const { return csv || json ? stderr : stdout; }
};

bool ParseDate(const std::string& text, Date& date);
bool ParseRows(const std::string& text, std::set<int>& rows);
// A Windows path for a file name given on the command line (Wine maps the
// Unix root to Z:).
std::wstring WindowsPath(const std::wstring& path);
// The path in the ANSI code page, through which the component opens files;
// false when the code page cannot spell it.
bool AnsiPath(const std::wstring& path, std::string& ansi);
// Reads the whole file; on failure says why.
bool ReadFile(const std::wstring& path, std::string& text, std::string& error);
// Words for a service's Status, after its number.
std::string PaymentOutcomeWords(long status);

int RunPay(const std::wstring& file, const Options& options);
int RunStatement(const std::wstring& file, const Options& options);

} // namespace corvane
