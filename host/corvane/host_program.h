// The host program's two runs and the helpers they share.
#pragma once
#include <set>
#include <string>

namespace corvane {

struct Date {
    int day = 0, month = 0, year = 0;
};

struct Options {
    bool haveAccount = false;
    std::wstring sortCode, accountNumber;
    // pay
    int layout = 0; // 0 standard, 1 template, 2 bulk list, 3 ad hoc bulk
    bool haveDate = false;
    Date date;
    std::string templateName, benRef;
    std::string out;     // --out as given
    std::string outPath; // the same as a Windows path, typed into the save dialog
    std::string extension; // the host's configured payment file extension
    std::set<int> iatRows;
    bool interactive = false;
    // statement
    bool csv = false;
};

std::wstring Utf8ToWide(const std::string& text);
// Strict: false for text that is not UTF-8.
bool Utf8ToWide(const std::string& text, std::wstring& wide);
std::string WideToUtf8(const std::wstring& text);
bool ParseDate(const std::string& text, Date& date);
bool ParseRows(const std::string& text, std::set<int>& rows);
// A Windows path for a file name given on the command line (Wine maps the
// Unix root to Z:).
std::wstring WindowsPath(const std::string& path);

int RunPay(const std::string& file, const Options& options);
int RunStatement(const std::string& file, const Options& options);

} // namespace corvane
