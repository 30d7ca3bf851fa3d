#include "platform/xlsx/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <vector>

namespace xlsx {

namespace {

// The process's umask without changing it (umask() itself can only be read by setting).
mode_t currentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    return 022;
}

}  // namespace

unsigned AtomicFile::modeFor(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) return st.st_mode & 07777;
    return 0666 & ~currentUmask();
}

bool AtomicFile::writeAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return ::fsync(fd) == 0;
}

bool AtomicFile::write(const std::string& path, const std::string& bytes) {
    if (path.empty() || path.back() == '/') return false;
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string pattern = folder + (slash == std::string::npos ? "/." : ".") + base + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fchmod(fd, modeFor(path)) == 0 && writeAll(fd, bytes);
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(name.data(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(name.data());
        return false;
    }
    // Make the rename itself durable.
    int dir = ::open(slash == std::string::npos ? "." : folder.c_str(),
                     O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace xlsx
