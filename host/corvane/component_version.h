// The versions that --version prints: this program's and the registered
// component's, each read from its file's version resource.
#pragma once
#include <windows.h>

#include <string>

namespace corvane {

// "major.minor.build.revision" from the file's fixed version information;
// empty when the file has none or cannot be read.
std::string FileVersionOf(const std::wstring& path);
// The file that the registry names as the class's in-process server.
bool RegisteredServerPath(REFCLSID clsid, std::wstring& path);
// Prints both versions. The component's missing (not registered, or no
// version resource) is exit code 3: nothing else would work either.
int PrintVersions();

} // namespace corvane
