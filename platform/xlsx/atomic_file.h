#pragma once
// Replaces a file so that it is either the old one or the complete new one: the bytes go
// to a temporary file in the same folder, which is then renamed over the target.
#include <string>

namespace xlsx {

class AtomicFile {
public:
    // False when the folder is missing or not writable, or the disk is full; the target
    // is then untouched and no temporary file is left.
    static bool write(const std::string& path, const std::string& bytes);

private:
    // The permissions a new file gets: the target's own when it exists.
    static unsigned modeFor(const std::string& path);
    static bool writeAll(int fd, const std::string& bytes);
};

}  // namespace xlsx
