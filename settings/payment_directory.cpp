#include "settings/payment_directory.h"

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/win/win32_services.h"
#include "text/cstring.h"

namespace qf {
namespace {

// The longest directory whose search pattern ("\*.*" appended) still fits
// the MAX_PATH buffers of the file search functions.
constexpr int kMaxDirectory = 255;

CString g_root;
bool g_rootKnown = false;

// dir, a backslash unless it already ends in one, then tail.
CString Join(const char* dir, const char* tail)
{
    CString joined(dir);
    const int length = joined.GetLength();
    if (length == 0 || joined.GetAt(length - 1) != '\\')
        joined += "\\";
    joined += tail;
    return joined;
}

// Copies text into out when it fits with its terminating zero.
bool CopyIfFits(const CString& text, char (&out)[MAX_PATH])
{
    const int length = text.GetLength();
    if (length >= MAX_PATH)
        return false;
    std::memcpy(out, text.c_str(), static_cast<size_t>(length) + 1);
    return true;
}

bool DirectoryIsUsable(const char* directory)
{
    if (static_cast<int>(std::strlen(directory)) > kMaxDirectory)
        return false;
    const CString pattern = Join(directory, "*.*");
    // The root of drive A is taken on trust: searching a floppy drive with
    // no disk in it would stop the user with a system prompt.
    if (_stricmp(pattern, "A:\\*.*") == 0)
        return true;
    // Any entry will do; even an empty folder yields "." and "..".
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

void ReportUnusableDirectory(const char* directory, const char* root)
{
    // Folder names can make the message as long as they like: it is
    // formatted to fit and shown whole.
    CString message;
    message.Format("The default payment directory (%s) specified does not exist.  Please correct this "
                   "within configuration for the specified banking component. The root directory (%s) "
                   "will be used in the mean time.",
                   directory, root);
    platform::ShowMessageBox(GetActiveWindow(), message, "Invalid default path", MB_OK | MB_ICONERROR);
}

} // namespace

void ResolvePaymentFilePath(const char* fileName, const char* directory, char (&resultPath)[MAX_PATH])
{
    if (!fileName)
        fileName = "";
    if (!directory)
        directory = "";

    if (DirectoryIsUsable(directory) && CopyIfFits(Join(directory, fileName), resultPath))
        return;

    const char* root = RootDirectory();
    ReportUnusableDirectory(directory, root);
    if (CopyIfFits(Join(root, fileName), resultPath))
        return;
    // Not even the documents folder leaves room for the name: propose the
    // name alone, cut to fit, and let the save dialog supply the folder.
    const size_t length = std::min(std::strlen(fileName), static_cast<size_t>(MAX_PATH - 1));
    std::memcpy(resultPath, fileName, length);
    resultPath[length] = '\0';
}

const char* RootDirectory()
{
    if (!g_rootKnown) {
        std::string documents;
        if (platform::KnownFolder(CSIDL_PERSONAL, documents) && !documents.empty())
            g_root = documents.c_str();
        else
            g_root = "C:\\";
        g_rootKnown = true;
    }
    return g_root;
}

namespace detail {
void ForgetRootDirectory()
{
    g_root = "";
    g_rootKnown = false;
}
} // namespace detail

} // namespace qf
