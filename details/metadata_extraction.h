#pragma once
// Taking a package's metadata member out of its archive in bounded memory and
// time, whatever the package holds.

#include <cstdint>
#include <string_view>

#include "archive/archiver.h"
#include "platform/stream.h"

namespace details {

// Real metadata members are a few kilobytes; none comes near this. A member
// above it, or a converted metadata file above it, yields no identifier.
inline constexpr std::int64_t kMetadataSizeLimit = std::int64_t{16} << 20;

// Extracts the member `name` of the open archive at `member`'s position, as
// ExtractToStream does, unless its directory entry declares it (compressed or
// uncompressed) larger than `limit`: then nothing of it is read. An extraction
// whose output outgrows `limit` all the same (a lying directory) is stopped at
// the write that would pass it. Both throw platform::ESizeLimitError; all else
// ExtractToStream throws passes through.
void ExtractBoundedMember(archive::TZFBaseArchiver& archiver, std::u16string_view name, platform::Stream& member,
                          std::int64_t limit);

}  // namespace details
