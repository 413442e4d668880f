#include "settings/record_locations.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cctype>

#include "platform/win/win32_services.h"
#include "settings/settings_store.h"

namespace qf {
namespace {

bool AllDigits(const std::string& text, std::size_t width)
{
    return text.size() == width &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

bool RememberImports()
{
    std::string value;
    if (!ReadSettingText("Statement Import", "RememberImports", value))
        return true;
    value.erase(0, value.find_first_not_of(" \t"));
    value.erase(value.find_last_not_of(" \t") + 1);
    std::transform(value.begin(), value.end(), value.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return !(value == "off" || value == "no" || value == "false" || value == "0");
}

bool ImportJournalPath(const std::string& sortCode, const std::string& accountNumber, bool createFolder,
                       std::string& path, std::string& why)
{
    if (!AllDigits(sortCode, 6) || !AllDigits(accountNumber, 8)) {
        why = "the account is not a 6-digit sort code and an 8-digit account number";
        return false;
    }
    std::string folder;
    if (!platform::KnownFolder(CSIDL_APPDATA, folder) || folder.empty()) {
        why = "the user's application data folder cannot be named";
        return false;
    }
    if (folder.back() != '\\')
        folder += '\\';
    folder += "Quillfen\\Imported";
    if (createFolder) {
        const int made = SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
        const DWORD attributes = GetFileAttributesA(folder.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            why = "cannot create the folder " + folder + " (error " + std::to_string(made) + ")";
            return false;
        }
    }
    path = folder + "\\" + sortCode + "-" + accountNumber + ".journal";
    return true;
}

} // namespace qf
