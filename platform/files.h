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
// True when the folder exists and files can be created in it.
bool canCreateIn(const std::string& folder);
// Reads the whole file; false when it cannot be read or is not a regular file (a FIFO or
// a device is never opened).
bool readFile(const std::string& path, std::string& bytes);
// Replaces a user's file with the bytes, whole or not at all: a temporary file in the
// target's folder (fsynced) is renamed over the target. A symbolic link is followed and
// its final target replaced; an existing file keeps its mode. False, with everything left
// as it was, when the target is read-only, is not a regular file, has a LibreOffice or
// OpenOffice lock file ".~lock.NAME#" beside it, or cannot be written (folder missing or
// read-only, disk full).
bool replaceFile(const std::string& path, const std::string& bytes);

}  // namespace files
