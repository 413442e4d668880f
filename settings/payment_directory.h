// The proposed path of a payment file: the configured default directory and
// file name, or the user's documents folder when that directory is unusable.
#pragma once
#include <windows.h>

namespace qf {

// Writes the proposed path into resultPath (at most MAX_PATH - 1 characters).
// A directory that cannot be searched, or is longer than 255 characters, or
// whose joined path would not fit, is reported in a message box owned by the
// active window and replaced by RootDirectory(). When even that path would
// not fit, the file name alone is proposed (cut to fit): the save dialog still
// lets the user choose the folder. Null texts count as "".
void ResolvePaymentFilePath(const char* fileName, const char* directory, char (&resultPath)[MAX_PATH]);

// The user's documents folder, or "C:\" when the system cannot name it.
// Looked up once per process.
const char* RootDirectory();

namespace detail {
// Forgets the cached root directory. For tests.
void ForgetRootDirectory();
} // namespace detail

} // namespace qf
