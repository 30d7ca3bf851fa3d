#pragma once
// The picture file a screenshot portal names in its answer. The name comes from another
// program, so it is checked before anything is read or removed: a local file:// address of a
// regular file (not a link) that belongs to this user.
#include <QImage>
#include <QString>

#include <ctime>

class ScreenshotFile {
public:
    // Reads and decodes the picture (as 32-bit RGB). Desktops write it into a temporary
    // folder or into the user's picture folder; one in a temporary folder that was written
    // at or after `since` was made for this request and is removed once read, so captures do
    // not pile up there. Anything else stays where it is. A null image when the address or
    // the file fails the checks or cannot be decoded.
    static QImage take(const QString& uri, std::time_t since);

    // Whether the path lies in a folder for temporary files ($TMPDIR, /tmp, /var/tmp or
    // $XDG_RUNTIME_DIR), links resolved.
    static bool inTemporaryFolder(const QString& path);

    // The largest picture file read: far beyond any screenshot of real screens.
    static constexpr qint64 kMaxFileBytes = qint64{512} * 1024 * 1024;
};
