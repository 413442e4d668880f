// What the pay and statement commands are told on the command line, and the
// reading of the options and operands they share.
#pragma once
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "host/corvane/command_line.h"

namespace corvane {

struct Date {
    int day = 0, month = 0, year = 0;
};

// How the statement command answers the component's question about lines
// imported before: only the new ones, all again, or nothing.
enum class AlreadyImported { New, All, None };

// How the pay command answers the question about payments written to a
// payment file before: leave them out (Yes), pay them again (No), or stop
// (Cancel, then the options dialog is cancelled).
enum class PaidBeforeAnswer { LeaveOut, Pay, Stop };

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
    PaidBeforeAnswer paidBefore = PaidBeforeAnswer::LeaveOut;
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
// A whole number in the range of the host's 32-bit integers; false for
// anything else, a number out of range included.
bool ParseLong(const std::string& text, long& value);
// SORTCODE:ACCOUNT, both parts present.
bool ParseAccount(const std::string& text, std::wstring& sortCode, std::wstring& account);

// The account as the component names its records: digits only, the
// leading zeros a spreadsheet drops put back (width 6 for a sort code, 8
// for an account number); "" when that is no such number.
std::string AccountDigits(const std::wstring& text, std::size_t width);

// The options every run shares (--account, --json, --interactive); false
// when the argument is none of them. An error's exit code is left in rc.
bool SharedOption(OptionReader& args, Options& options, int& rc);
// The one file a run takes as its operand; false when the argument is no
// operand. A second file leaves an exit code in rc.
bool TakeFile(OptionReader& args, std::wstring& file, int& rc);

// The options one command alone takes: true when it took the argument; an
// error's exit code is left in rc.
using CommandOption = bool (*)(OptionReader& args, Options& options, int& rc);
// Reads a run's arguments into options and file: the shared options, its
// one file and the command's own. 0, or the exit code of a usage error.
int ReadRunArguments(const std::vector<std::wstring>& arguments, CommandOption own, Options& options,
                     std::wstring& file);

} // namespace corvane
