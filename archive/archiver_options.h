#pragma once
// The component's enumerations and its option object, with their defaults.

#include <cstdint>

namespace archive {

enum TZFSpanningMode : std::uint8_t { smNone, smSpanning, smSplitting };
enum TZFStorePathMode : std::uint8_t { spNoPath, spRelativePath, spFullPath, spFullPathWithDrive };
enum TZFShareMode : std::uint8_t {
    smShareCompat,
    smShareExclusive,
    smShareDenyWrite,
    smShareDenyRead,
    smShareDenyNone
};
enum TZFOverwriteMode : std::uint8_t { omPrompt, omAlways, omNever, omIfNewer, omIfOlder };
enum TZFZip64Mode : std::uint8_t { zmDisabled, zmAuto, zmAlways };
enum TZFCompressionLevel : std::uint8_t { clNone, clFastest, clNormal, clMax };
enum TZFProgressPhase : std::uint8_t { ppStart, ppProcess, ppEnd };

// Every attribute an item can carry: the search attribute by default, and the
// one an extraction by name searches with.
inline constexpr std::int32_t kDefaultSearchAttr = 0x28BF;

// Of these, only FOEMFileNames acts on opening; FRecurse and FSearchAttr steer
// the search; the rest belong to writing and extracting to disk.
struct TZFOptions {
    TZFStorePathMode FStorePath = spRelativePath;
    bool FRecurse = true;
    TZFShareMode FShareMode = smShareDenyNone;
    TZFOverwriteMode FOverwriteMode = omAlways;
    bool FCreateDirs = true;
    bool FReplaceReadOnly = true;
    bool FSetAttributes = true;
    std::int32_t FSearchAttr = kDefaultSearchAttr;
    bool FFlushBuffers = true;
    bool FOEMFileNames = true;
};

// Volume sizes and naming of spanned and split archives (writing only).
struct TZFSpanningOptions {
    bool AdvancedNaming = false;
    std::int64_t FirstVolumeSize = 0;
    std::int64_t VolumeSize = 0;
};

}  // namespace archive
