#pragma once
// Writes large benchmark archives straight to a file: members are produced in
// pieces and deflated as they stream, so an archive of gigabytes never sits in
// memory. Stored or deflated members, zip64 fields where sizes or offsets need
// them, and the central directory and end records at the close.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace bench {

// Fills the buffer with the next piece of member data; returns the bytes written
// (0 at the member's end).
using PieceSource = std::function<std::size_t(std::uint8_t* buffer, std::size_t capacity)>;

class ArchiveFileWriter {
public:
    explicit ArchiveFileWriter(const std::string& path);
    ~ArchiveFileWriter();
    ArchiveFileWriter(const ArchiveFileWriter&) = delete;
    ArchiveFileWriter& operator=(const ArchiveFileWriter&) = delete;

    // Appends a member; `compress` deflates with zlib level `level` (raw deflate).
    // `zip64` puts the sizes into a zip64 block of the local header, as writers do
    // for members that may pass 4 GiB; otherwise the local header holds them.
    void Add(const std::string& name, const PieceSource& source, bool compress, int level = 6, bool zip64 = false);
    void Add(const std::string& name, const std::string& data, bool compress);
    // Writes the central directory and the end records; returns the archive size.
    std::int64_t Finish();
    // Position of the central directory (after Finish).
    std::int64_t CentralDirStart() const { return centralStart_; }

private:
    struct Entry {
        std::string name;
        std::uint16_t method;
        std::uint32_t crc;
        std::uint64_t compSize;
        std::uint64_t uncompSize;
        std::uint64_t offset;
    };

    void Put(const std::string& bytes);
    void PutAt(std::uint64_t offset, const std::string& bytes);

    std::FILE* file_ = nullptr;
    std::uint64_t position_ = 0;
    std::int64_t centralStart_ = 0;
    std::vector<Entry> entries_;
};

}  // namespace bench
