#include "settings/record_locations.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cctype>

#include "platform/win/win32_services.h"
#include "settings/settings_store.h"

namespace qf {
namespace {

constexpr int kDefaultPaidBeforeDays = 20;

bool AllDigits(const std::string& text, std::size_t width)
{
    return text.size() == width &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The file "<folder>\<sort code>-<account number><extension>"; the folder is
// made first when asked (with its parents).
bool AccountFilePath(std::string folder, const std::string& sortCode, const std::string& accountNumber,
                     const char* extension, bool createFolder, std::string& path, std::string& why)
{
    if (!AllDigits(sortCode, 6) || !AllDigits(accountNumber, 8)) {
        why = "the account is not a 6-digit sort code and an 8-digit account number";
        return false;
    }
    while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/'))
        folder.pop_back();
    if (createFolder) {
        const int made = SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
        const DWORD attributes = GetFileAttributesA(folder.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            why = "cannot create the folder " + folder + " (error " + std::to_string(made) + ")";
            return false;
        }
    }
    path = folder + (folder.back() == '\\' ? "" : "\\") + sortCode + "-" + accountNumber + extension;
    return true;
}

// %APPDATA%\Quillfen\<name>.
bool UserFolder(const char* name, std::string& folder, std::string& why)
{
    if (!platform::KnownFolder(CSIDL_APPDATA, folder) || folder.empty()) {
        why = "the user's application data folder cannot be named";
        return false;
    }
    if (folder.back() != '\\')
        folder += '\\';
    folder += std::string("Quillfen\\") + name;
    return true;
}

std::string Trimmed(std::string value)
{
    value.erase(0, value.find_first_not_of(" \t"));
    value.erase(value.find_last_not_of(" \t") + 1);
    return value;
}

} // namespace

bool RememberImports()
{
    std::string value;
    if (!ReadSettingText("Statement Import", "RememberImports", value))
        return true;
    value = Trimmed(value);
    std::transform(value.begin(), value.end(), value.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return !(value == "off" || value == "no" || value == "false" || value == "0");
}

bool ImportJournalPath(const std::string& sortCode, const std::string& accountNumber, bool createFolder,
                       std::string& path, std::string& why)
{
    std::string folder;
    return UserFolder("Imported", folder, why) &&
           AccountFilePath(folder, sortCode, accountNumber, ".journal", createFolder, path, why);
}

int PaidBeforeDays()
{
    std::string value;
    if (!ReadSettingText("Payment Export", "PaidBeforeDays", value))
        return kDefaultPaidBeforeDays;
    value = Trimmed(value);
    if (value.empty() || value.size() > 4 || !AllDigits(value, value.size()))
        return kDefaultPaidBeforeDays;
    const int days = std::stoi(value);
    return days <= 3660 ? days : kDefaultPaidBeforeDays;
}

bool PaidRecordPath(const std::string& sortCode, const std::string& accountNumber, bool createFolder,
                    std::string& path, std::string& why)
{
    std::string folder;
    ReadSettingText("Payment Export", "PaidRecordFolder", folder);
    folder = Trimmed(folder);
    if (folder.empty() && !UserFolder("Paid", folder, why))
        return false;
    return AccountFilePath(folder, sortCode, accountNumber, ".paid", createFolder, path, why);
}

} // namespace qf
