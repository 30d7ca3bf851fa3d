#pragma once
// The zip container of a workbook, held in memory. Parts are read with hard size limits,
// checked while inflating, so a hostile archive cannot exhaust memory. Writing copies
// every part that is not replaced with its compressed data unchanged.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

struct zip;

namespace xlsx {

class ZipPackage {
public:
    static constexpr uint64_t kMaxFileSize = 1ull << 30;
    static constexpr uint64_t kMaxPartSize = 256ull << 20;
    static constexpr uint64_t kMaxTotalRead = 1ull << 30;

    ZipPackage() = default;
    ZipPackage(const ZipPackage&) = delete;
    ZipPackage& operator=(const ZipPackage&) = delete;
    ~ZipPackage();

    // Reads the file and opens it as a zip archive; false when it is missing, not a regular
    // file, too big or not a zip archive.
    bool open(const std::string& path);
    void close();
    bool isOpen() const { return m_archive != nullptr; }

    // The stored name of a part, matched without regard to case as package part names
    // are; empty when the archive has no such part.
    std::string find(const std::string& name) const;
    // Inflates one part; false when it is missing, unreadable, damaged or larger than the
    // limits allow.
    bool read(const std::string& name, std::string& bytes);

    // The archive with the parts in `replaced` given new contents (parts not yet present
    // are added at the end) and the parts in `removed` left out; false on a libzip error.
    bool rebuild(const std::map<std::string, std::string>& replaced,
                 const std::set<std::string>& removed, std::string& archive) const;
    // Makes bytes the archive's content (after it was saved).
    bool reopen(std::string bytes);

private:
    bool openBytes();
    bool readAll(int fd, size_t size);

    std::string m_bytes;
    zip* m_archive = nullptr;
    uint64_t m_totalRead = 0;
};

}  // namespace xlsx
