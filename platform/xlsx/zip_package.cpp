#include "platform/xlsx/zip_package.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>

namespace xlsx {

namespace {

// Reads a whole zip source (the written archive) into bytes.
bool readSource(zip_source_t* source, std::string& bytes) {
    if (zip_source_open(source) < 0) return false;
    bytes.clear();
    char buffer[65536];
    zip_int64_t n;
    while ((n = zip_source_read(source, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, static_cast<size_t>(n));
    zip_source_close(source);
    return n == 0;
}

}  // namespace

ZipPackage::~ZipPackage() {
    close();
}

void ZipPackage::close() {
    if (m_archive) zip_discard(m_archive);
    m_archive = nullptr;
    m_bytes.clear();
    m_totalRead = 0;
}

bool ZipPackage::open(const std::string& path) {
    close();
    // Only a regular file is a workbook: a FIFO or a device would block the window or never
    // end. Opening without blocking and checking what was opened leaves no gap between
    // the check and the read.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
                    static_cast<uint64_t>(st.st_size) <= kMaxFileSize &&
                    readAll(fd, static_cast<size_t>(st.st_size));
    ::close(fd);
    if (!ok) {
        m_bytes.clear();
        return false;
    }
    return openBytes();
}

bool ZipPackage::readAll(int fd, size_t size) {
    m_bytes.resize(size);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, m_bytes.data() + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;  // the file shrank while it was read
        done += static_cast<size_t>(n);
    }
    return true;
}

bool ZipPackage::reopen(std::string bytes) {
    close();
    m_bytes = std::move(bytes);
    return openBytes();
}

bool ZipPackage::openBytes() {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(m_bytes.data(), m_bytes.size(), 0, &error);
    if (source) {
        m_archive = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
        if (!m_archive) zip_source_free(source);
    }
    zip_error_fini(&error);
    if (!m_archive) m_bytes.clear();
    return m_archive != nullptr;
}

std::string ZipPackage::find(const std::string& name) const {
    if (!m_archive) return {};
    zip_int64_t index = zip_name_locate(m_archive, name.c_str(), ZIP_FL_NOCASE | ZIP_FL_ENC_RAW);
    if (index < 0) return {};
    const char* stored = zip_get_name(m_archive, static_cast<zip_uint64_t>(index), ZIP_FL_ENC_RAW);
    return stored ? stored : std::string();
}

bool ZipPackage::read(const std::string& name, std::string& bytes) {
    bytes.clear();
    if (!m_archive) return false;
    zip_int64_t index = zip_name_locate(m_archive, name.c_str(), ZIP_FL_NOCASE | ZIP_FL_ENC_RAW);
    if (index < 0) return false;
    zip_stat_t st;
    if (zip_stat_index(m_archive, static_cast<zip_uint64_t>(index), 0, &st) != 0) return false;
    if ((st.valid & ZIP_STAT_SIZE) && st.size > kMaxPartSize) return false;
    zip_file_t* file = zip_fopen_index(m_archive, static_cast<zip_uint64_t>(index), 0);
    if (!file) return false;
    // The declared size may lie: count what actually comes out of the inflater, and stop
    // as soon as it is more than the archive promised.
    const uint64_t limit = (st.valid & ZIP_STAT_SIZE) ? st.size : kMaxPartSize;
    if (st.valid & ZIP_STAT_SIZE) bytes.reserve(static_cast<size_t>(st.size));
    char buffer[65536];
    zip_int64_t n;
    bool ok = true;
    while ((n = zip_fread(file, buffer, sizeof buffer)) > 0) {
        m_totalRead += static_cast<uint64_t>(n);
        if (bytes.size() + static_cast<uint64_t>(n) > limit || m_totalRead > kMaxTotalRead) {
            ok = false;
            break;
        }
        bytes.append(buffer, static_cast<size_t>(n));
    }
    if (n < 0) ok = false;
    zip_fclose(file);
    if (!ok) std::string().swap(bytes);
    return ok;
}

bool ZipPackage::rebuild(const std::map<std::string, std::string>& replaced,
                         const std::set<std::string>& removed, std::string& archive) const {
    if (!m_archive) return false;
    zip_error_t error;
    zip_error_init(&error);
    // A second archive over the same bytes: libzip writes the result into the source's own
    // new buffer and leaves m_bytes alone.
    zip_source_t* source = zip_source_buffer_create(m_bytes.data(), m_bytes.size(), 0, &error);
    zip_t* out = source ? zip_open_from_source(source, 0, &error) : nullptr;
    zip_error_fini(&error);
    if (!out) {
        if (source) zip_source_free(source);
        return false;
    }
    zip_source_keep(source);
    bool ok = true;
    for (const std::string& name : removed) {
        zip_int64_t index = zip_name_locate(out, name.c_str(), ZIP_FL_ENC_RAW);
        if (index >= 0 && zip_delete(out, static_cast<zip_uint64_t>(index)) != 0) ok = false;
    }
    for (const auto& [name, bytes] : replaced) {
        if (!ok) break;
        zip_source_t* data = zip_source_buffer(out, bytes.data(), bytes.size(), 0);
        zip_int64_t index =
            data ? zip_file_add(out, name.c_str(), data, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (data) zip_source_free(data);
            ok = false;
        } else if (zip_set_file_compression(out, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE,
                                            6) != 0) {
            ok = false;
        }
    }
    if (ok && zip_close(out) != 0) ok = false;
    if (!ok) zip_discard(out);
    // The replaced bytes are referenced, not copied, until zip_close has run above.
    ok = ok && readSource(source, archive);
    zip_source_free(source);
    return ok;
}

}  // namespace xlsx
