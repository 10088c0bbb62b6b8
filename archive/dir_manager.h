#pragma once
// The directory manager of one open archive: finds the end records and any
// stub, loads the central directory into `CDir` (or has it rebuilt from the
// local headers), and keeps the records as last read.

#include <cstdint>
#include <exception>
#include <optional>
#include <span>
#include <string>

#include "archive/dir_array.h"
#include "archive/signature_search.h"
#include "archive/zip_records.h"

namespace platform {
class Stream;
}

namespace archive {

class TZFBaseArchiver;

enum TZFVolumeKind : std::uint8_t { vnkUnknown, vnkFirst, vnkLast, vnkCustom };

struct TZFVolumeNumberInfo {
    TZFVolumeKind FVolumeKind = vnkUnknown;
    std::int32_t FVolumeNumber = -1;
    std::int32_t FLastVolumeNumber = -1;
};

class TZFDirManager {
public:
    // Works on `stream` (not owned). `arc` is the owning component; its options
    // steer the load.
    TZFDirManager(platform::Stream* stream, bool bCreate, TZFBaseArchiver* arc);
    TZFDirManager(const TZFDirManager&) = delete;
    TZFDirManager& operator=(const TZFDirManager&) = delete;

    // Loads the central directory into CDir, or rebuilds it from the local
    // headers when it cannot be used (and FOpenCorruptedArchives allows it).
    void LoadDir();
    // Empties the directory and fills CentralDirEnd with an empty end record.
    void ResetDir();

    // --- end records (end_record_search.cpp) ---
    // Searches the last 65,600 bytes backwards for a plausible end record;
    // sets ArchiveComment. `position` gets its absolute position (-1 when none).
    bool FindCentralDirEnd(std::uint32_t signature, TZFZipCentralDirEnd& record, std::int64_t& position);
    // Plausibility test of an end record candidate; the stream position is kept.
    bool CheckCentralDirEnd(std::int64_t position);
    // FindCentralDirEnd into CentralDirEnd; true regardless while the owner's
    // FOpenCorruptedArchives is set.
    bool HasCentralDirEnd();
    // Reads the zip64 locator in front of the end record at `e`; sets FZip64 and,
    // with zip64, `z` := e - 20.
    void ReadZip64Locator(std::int64_t e, std::int64_t& z);
    // Reads the zip64 end record the locator points at; `z` -= 56. Native code 40
    // when it is missing; a short read throws the stream layer's EReadError.
    void ReadZip64CentralDirEnd(std::int64_t& z);
    // ReadZip64Locator, then ReadZip64CentralDirEnd. A locator with no zip64
    // end record where it points nor right in front of it is ignored (FZip64
    // false, `z` = e) while the end record CentralDirEnd needs no zip64 value.
    void ReadZip64Records(std::int64_t e, std::int64_t& z);

    // --- stub (stub_detection.cpp) ---
    void FindStubSize(std::int64_t z);
    // Position of the first `signature` at or after `from`, or -1; position kept.
    std::int64_t FindSignature(std::int64_t from, std::uint32_t signature);
    bool MatchFirstLocalHeader(std::int64_t p);
    bool StubOffsetApplied() const;
    void ApplyStubOffset();

    // --- recovery road (dir_rebuild.cpp) ---
    // Rebuilds CDir from the local headers found by scanning the whole stream.
    void RebuildDir();
    std::int64_t FindLocalHeader(std::int64_t from);
    bool FindDataDescriptor(std::int64_t from, DataDescriptor& descriptor);

    platform::Stream* FCompressedStream = nullptr;
    bool FCreate = false;
    bool FIsCustomStream = false;
    TZFBaseArchiver* FArc = nullptr;
    TZFDirArray RBCDir;
    TZFDirArray CDir;
    std::string ArchiveComment;
    TZFZip64CentralDirEndLocator Zip64CentralDirEndLocator;
    TZFZip64CentralDirEnd Zip64CentralDirEnd;
    TZFZipCentralDirEnd CentralDirEnd;
    std::int64_t StubSize = 0;
    bool FZip64 = false;
    bool Aborted = false;
    std::int64_t CentralDirOffset = 0;
    // Volume information of the last load.
    TZFVolumeNumberInfo VolumeInfo;
    // Loads every item's record up front (the plain road the tests hold the
    // loaded one against) instead of decoding each when it is asked for.
    bool LoadItemsEagerly = false;
    // Whether the last LoadDir found an end record before it took the recovery
    // road (the rebuild converts OEM names only then).
    bool EndRecordFound = false;

private:
    // Whether a zip64 end record's signature stands at `position`, its 56
    // bytes inside the stream; the stream position is kept.
    bool Zip64EndRecordAt(std::int64_t position);
    // The recovery road: empty the directory, rebuild it, and take the stream
    // size as the end of member data.
    void RecoverDir();
    // LoadDir's steps 8 to 12 once the end records are read; false when the
    // recovery road must be taken instead.
    bool LoadCentralDir(std::int64_t e, std::int64_t z);
    void ReadItems(std::int64_t start, std::int64_t count);
    // ReadItems' road for LoadedItems: the same reads and checks, keeping
    // only the names and where the headers are; at most `capacity` items.
    void ScanItems(std::int64_t start, std::int64_t count, std::int32_t capacity);
    [[noreturn]] void ReadItemsAfterFailedScan(std::int64_t start, std::int64_t count, std::int32_t capacity,
                                               std::exception_ptr scanError);
    void CheckCompressedSizes();

    // The end record search reads the stream's tail once per manager; the
    // stream does not change on the read road, so its result is kept.
    struct EndSearchResult {
        std::uint32_t signature = 0;
        bool found = false;
        TZFZipCentralDirEnd record;
        std::int64_t position = -1;
        std::string comment;
    };
    std::optional<EndSearchResult> lastEndSearch_;
    // FindSignature's scanner, kept with the chunk it read last.
    std::optional<SignatureScanner> stubScanner_;
};

}  // namespace archive
