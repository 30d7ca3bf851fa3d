#pragma once
// Files of the program folder (backend: platform/files).
#include <string>

namespace files {

// The program folder, without a trailing "/": $OZMIRA_HOME when set; otherwise the
// executable's folder when it is writable; otherwise $XDG_CONFIG_HOME/ozmira (created).
std::string programFolder();
// The same choice for a given executable folder and whether it may be written there.
std::string programFolderFor(const std::string& executableFolder, bool writable);
// Joins the program folder and a relative name; a "\" in the name is a folder separator.
std::string inProgramFolder(const std::string& name);
// The folder of the running executable.
std::string executableFolder();
bool exists(const std::string& path);
// Reads the whole file; false when it cannot be opened.
bool readFile(const std::string& path, std::string& bytes);
// Writes a temporary file in the same folder, then renames it over the target.
bool writeFileAtomic(const std::string& path, const std::string& bytes);

}  // namespace files
