#include "platform/files.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// mkdir -p; true when the folder exists afterwards.
bool makeFolders(const std::string& path, mode_t mode) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0) {
        return S_ISDIR(st.st_mode);
    }
    std::string parent = folderOf(path);
    if (parent != path && !makeFolders(parent, 0700)) {
        return false;
    }
    return mkdir(path.c_str(), mode) == 0 || errno == EEXIST;
}

std::string homeFolder() {
    std::string home = environment("HOME");
    if (home.empty()) {
        if (const passwd* entry = getpwuid(getuid())) {
            home = entry->pw_dir;
        }
    }
    return home;
}

// The file a path names, symbolic links followed (also a dangling one, whose target is
// then created), so that a link survives the rename of a replacement. Empty when the
// links go round in circles.
std::string resolvedTarget(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return path;
        }
        char buffer[PATH_MAX];
        ssize_t n = readlink(path.c_str(), buffer, sizeof buffer - 1);
        if (n <= 0) {
            return {};
        }
        std::string link(buffer, static_cast<size_t>(n));
        path = link.front() == '/' ? link : folderOf(path) + "/" + link;
    }
    return {};
}

// A file that nobody may write, or that we may not write, is the user's decision to keep
// it as it is. The mode bits are checked too, because access() lets root write anything.
bool isReadOnly(const std::string& path, const struct stat& st) {
    if ((st.st_mode & 0222) == 0 || (st.st_uid == geteuid() && !(st.st_mode & S_IWUSR))) {
        return true;
    }
    return access(path.c_str(), W_OK) != 0;
}

// LibreOffice and OpenOffice hold a document open with a lock file beside it; replacing
// the file under them loses our values when they save theirs.
bool isHeldByOffice(const std::string& path) {
    struct stat st;
    std::string lock = folderOf(path) + "/.~lock." + nameOf(path) + "#";
    return lstat(lock.c_str(), &st) == 0;
}

bool writeAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Creates a new, unused temporary file beside the target. The mode 0666 lets the umask
// decide for new files, as any other program's new file would be.
int createTemporary(const std::string& target, std::string& name) {
    thread_local std::mt19937_64 random{std::random_device{}()};
    const std::string stem = folderOf(target) + "/." + nameOf(target) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = stem + std::to_string(random() % 1000000000) + ".tmp";
        int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

void syncFolder(const std::string& folder) {
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

}  // namespace

namespace files {

std::string executableFolder() {
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) {
        return ".";
    }
    return folderOf(std::string(buffer, static_cast<size_t>(n)));
}

std::string programFolder() {
    std::string beside = executableFolder();
    return programFolderFor(beside, access(beside.c_str(), W_OK) == 0);
}

std::string programFolderFor(const std::string& executableFolder, bool writable) {
    std::string home = environment("OZMIRA_HOME");
    if (!home.empty()) {
        return withoutTrailingSlashes(home);
    }
    // Portable use: the settings live beside the program when it may write there.
    if (writable) {
        return executableFolder;
    }
    std::string config = environment("XDG_CONFIG_HOME");
    if (config.empty() || config.front() != '/') {
        config = homeFolder() + "/.config";  // a relative XDG_CONFIG_HOME is to be ignored
    }
    std::string folder = withoutTrailingSlashes(config) + "/ozmira";
    makeFolders(folder, 0755);
    return folder;
}

std::string inProgramFolder(const std::string& name) {
    std::string relative = name;
    for (char& ch : relative) {
        if (ch == '\\') {
            ch = '/';
        }
    }
    size_t start = relative.find_first_not_of('/');
    relative = start == std::string::npos ? std::string() : relative.substr(start);
    std::string folder = programFolder();
    return folder == "/" ? "/" + relative : folder + "/" + relative;
}

bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

bool canCreateIn(const std::string& folder) {
    struct stat st;
    return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           access(folder.c_str(), W_OK | X_OK) == 0;
}

bool readFile(const std::string& path, std::string& bytes) {
    // A FIFO or a device is never opened (an open could wait for a writer for ever); the
    // check is made again on the open file, which O_NONBLOCK keeps from waiting meanwhile.
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return false;
    }
    std::string content;
    content.reserve(static_cast<size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            close(fd);
            return false;
        }
        if (n == 0) {
            break;
        }
        content.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    bytes = std::move(content);
    return true;
}

bool replaceFile(const std::string& path, const std::string& bytes) {
    if (path.empty() || path.back() == '/') {
        return false;
    }
    const std::string target = resolvedTarget(path);
    if (target.empty() || isHeldByOffice(path) || isHeldByOffice(target)) {
        return false;
    }
    // stat() only: opening a FIFO or a device could block or have effects of its own.
    struct stat old;
    bool replacing = stat(target.c_str(), &old) == 0;
    if (!replacing && errno != ENOENT) {
        return false;
    }
    if (replacing && (!S_ISREG(old.st_mode) || isReadOnly(target, old))) {
        return false;
    }
    std::string temporary;
    int fd = createTemporary(target, temporary);
    if (fd < 0) {
        return false;
    }
    bool ok = true;
    if (replacing) {
        // The new file keeps the old one's permission bits and, where allowed, owner.
        ok = fchmod(fd, old.st_mode & 07777) == 0;
        if (fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Only the owner may keep; another user's write still succeeds.
        }
    }
    ok = ok && writeAll(fd, bytes) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temporary.c_str());
        return false;
    }
    syncFolder(folderOf(target));
    return true;
}

}  // namespace files
