#pragma once
// The generated archives of the extraction benchmark. They are written once
// into a data folder outside the source tree and reused by later runs.

#include <cstdint>
#include <string>

namespace bench {

inline constexpr const char* kLastName = "iTunesMetadata.plist";  // 3 KB, deflated, placed last
inline constexpr const char* kBigName = "Payload/App.app/payload.bin";
inline constexpr const char* kHugeName = "huge.bin";

// 5,000 members of 40,000 bytes (stored, incompressible), the 3 KB member last;
// and at `cutPath` the same bytes without the central directory and end records.
void WriteManyMembers(const std::string& path, const std::string& cutPath);
// 65,000 members: 64,999 of about 100 bytes, the 3 KB member last.
void WriteSmallMembers(const std::string& path);
// One member of 200,000,000 bytes of text-like data, deflated at level 6.
void WriteBigMember(const std::string& path);
// One member of 4.25 GiB, deflated at level 1 (zip64 sizes and offsets).
void WriteHugeMember(const std::string& path);

struct BigMemberLayout {
    std::int64_t dataStart = 0;
    std::int64_t compSize = 0;
    std::int64_t size = 0;
};
// Where the data of the single member of WriteBigMember lie.
BigMemberLayout ReadBigMemberLayout(const std::string& path);

}  // namespace bench
