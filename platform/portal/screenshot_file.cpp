#include "platform/portal/screenshot_file.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Clock skew between the desktop's file system and this process is not expected, but a file
// system with coarse times is.
constexpr std::time_t kTimeSlackSeconds = 2;

// The local path of a file:// address without a remote host; empty for anything else.
QString localPath(const QString& uri) {
    const QUrl url(uri, QUrl::StrictMode);
    if (!url.isValid() || !url.isLocalFile()) return {};
    if (!url.host().isEmpty() && url.host() != QLatin1String("localhost")) return {};
    const QString path = url.toLocalFile();
    // No "..", no doubled separators: the name must say plainly where the file is.
    if (!QDir::isAbsolutePath(path) || QDir::cleanPath(path) != path) return {};
    return path;
}

QByteArray readAll(int fd, qint64 size) {
    QByteArray bytes;
    bytes.resize(size);
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, bytes.data() + done, std::size_t(size - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return {};
        done += n;
    }
    return bytes;
}

bool within(const QString& path, const QString& folder) {
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty() || canonical == QLatin1String("/")) return false;
    return path.startsWith(canonical + QLatin1Char('/'));
}

}  // namespace

bool ScreenshotFile::inTemporaryFolder(const QString& path) {
    const QString folder = QFileInfo(QFileInfo(path).absolutePath()).canonicalFilePath();
    if (folder.isEmpty()) return false;
    const QString file = folder + QLatin1Char('/') + QFileInfo(path).fileName();
    for (const QString& temporary :
         {QDir::tempPath(), QStringLiteral("/tmp"), QStringLiteral("/var/tmp"),
          qEnvironmentVariable("XDG_RUNTIME_DIR")}) {
        if (!temporary.isEmpty() && within(file, temporary)) return true;
    }
    return false;
}

QImage ScreenshotFile::take(const QString& uri, std::time_t since) {
    const QString path = localPath(uri);
    if (path.isEmpty()) return {};
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return {};
    struct stat info {};
    QByteArray bytes;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
        info.st_size > 0 && info.st_size <= kMaxFileBytes)
        bytes = readAll(fd, info.st_size);
    ::close(fd);
    if (bytes.isEmpty()) return {};

    // Removed only while the name still leads to the very file that was read.
    struct stat now {};
    if (info.st_mtime + kTimeSlackSeconds >= since && inTemporaryFolder(path) &&
        ::lstat(name.constData(), &now) == 0 && now.st_dev == info.st_dev &&
        now.st_ino == info.st_ino)
        ::unlink(name.constData());

    QImage image;
    if (!image.loadFromData(bytes)) return {};
    return image.convertToFormat(QImage::Format_RGB32);
}
