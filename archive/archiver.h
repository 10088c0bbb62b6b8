#pragma once
// The archiver component on its read road: open an archive file, load its
// directory, find items, extract one into a stream, close.
//
// Fields keep their component names and are public, as the component's
// published state; the operations below document which raise what.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive_item.h"
#include "archive/archiver_options.h"
#include "archive/dir_item.h"
#include "archive/dir_manager.h"

namespace platform {
class Stream;
}

namespace archive {

class TZFBaseArchiver;

using TZFNotifyEvent = std::function<void(TZFBaseArchiver& sender)>;
using TZFProgressEvent = std::function<void(TZFBaseArchiver& sender, double progress, TZFProcessOperation operation,
                                            TZFProgressPhase progressPhase, bool& cancel)>;
using TZFFileProgressEvent =
    std::function<void(TZFBaseArchiver& sender, const std::u16string& fileName, double progress,
                       TZFProcessOperation operation, TZFProgressPhase progressPhase, bool& cancel)>;
using TZFOnPasswordEvent = std::function<void(TZFBaseArchiver& sender, const std::u16string& fileName,
                                              std::string& newPassword, bool& skipFile)>;
using TZFOnDiskFullEvent = std::function<void(TZFBaseArchiver& sender, std::int32_t volumeNumber,
                                              const std::u16string& volumeFileName, bool& cancel)>;

// The file-open mode that creates an archive.
inline constexpr std::uint16_t kOpenModeCreate = 0xFF00;

class TZFBaseArchiver {
public:
    explicit TZFBaseArchiver(void* aOwner = nullptr);
    virtual ~TZFBaseArchiver();  // Destroy: closes the archive
    TZFBaseArchiver(const TZFBaseArchiver&) = delete;
    TZFBaseArchiver& operator=(const TZFBaseArchiver&) = delete;

    // --- opening and closing (archiver.cpp) ---
    // Opens FileName with the file-open mode and loads its directory. Throws
    // EZFException (10, 12, 28, 48, 40, 44, 35, 57, 59) or the stream layer's errors.
    void OpenArchive(std::uint16_t mode);
    // Picks the mode itself (a test open read-write, deny write; else read, deny none).
    void OpenArchive();
    // Opens on a caller's stream (not owned). Native code 51 while spanning;
    // creating an archive is not built.
    void OpenArchive(platform::Stream& stream, bool create);
    // Releases the archive and its directory; never fails on the read road.
    void CloseArchive();

    bool Active() const { return FActive; }
    void SetActive(bool value);
    const std::u16string& FileName() const { return FFileName; }
    void SetFileName(std::u16string fileName) { FFileName = std::move(fileName); }
    // The archive comment's bytes while open, else empty.
    std::string Comment() const;
    // Whether the file FileName exists.
    bool Exists() const;
    // Size of the open archive stream; native code 13 when closed.
    std::int64_t Size() const;

    // --- search (item_search.cpp) ---
    bool FindFirst(std::u16string_view fileMask, TZFArchiveItem& f, std::int32_t searchAttr,
                   std::u16string_view exclusionMask);
    bool FindFirst(TZFArchiveItem& f);
    bool FindNext(TZFArchiveItem& f);

    // --- extraction (extraction.cpp) ---
    // Extracts the item `fileName` names (or the first item a mask matches) at
    // the stream's position. Throws EZFException (13, 26, 15, 16, 8, 55, 65).
    void ExtractToStream(std::u16string_view fileName, platform::Stream& stream);
    // The item ExtractToStream takes for `fileName`, found the same way; -1 when
    // none is, or no archive is open. Reads nothing of the member.
    std::int32_t ExtractionItemIndex(std::u16string_view fileName);

    std::u16string Name;  // the component's name; prefixes its messages when set

    // --- state ---
    std::u16string FFileName;
    std::u16string VolumeFileName;
    std::uint16_t FileOpenMode = 0;
    bool FActive = false;
    bool IsCustomStream = false;
    bool isZIPFormat = false;
    bool FInMemory = false;
    std::int32_t FUpdateCount = 0;
    bool FUpdated = false;
    TZFSpanningMode FSpanningMode = smNone;
    TZFVolumeNumberInfo FVolumeNumberInfo;
    TZFSpanningOptions FSpanningOptions;
    bool FOpenCorruptedArchives = true;
    bool FExtractCorruptedFiles = false;
    bool FSuppressPasswordEvent = false;
    bool FUnicodeFilenames = false;
    bool FNoProgress = false;
    TZFZip64Mode FZip64Mode = zmAuto;
    TZFCryptoAlgorithm FZFCryptoAlgorithm = caPkzipClassic;
    TZFCompressionLevel FCompressionLevel = clFastest;
    TZFOptions FOptions;
    std::vector<std::u16string> FFileMasks;
    std::vector<std::u16string> FExclusionMasks;
    std::vector<std::u16string> FNoCompressionMasks;
    std::unique_ptr<TZFDirManager> DMHandle;
    platform::Stream* FCompressedStream = nullptr;  // owned through ownedStream_ unless IsCustomStream

    // Extraction progress and password state.
    std::int32_t FProcessedFileNo = 0;
    std::int32_t FProcessedFileCount = 0;
    std::int64_t FProgress = 0;
    std::int64_t FProgressMax = 0;
    bool FProgressEnabled = false;
    bool FProgressCancel = false;
    bool FSkipFile = false;
    std::string FPassword;

    // Events.
    TZFNotifyEvent FAfterOpen;
    TZFProgressEvent OnOverallProgress;
    TZFFileProgressEvent OnFileProgress;
    TZFOnPasswordEvent OnPassword;
    TZFOnDiskFullEvent OnDiskFull;

    // --- internal operations of the search and extraction roads ---
    bool InternalFind(TZFArchiveItem& f);
    bool ItemMatchesMask(std::int32_t itemNo, const TZFArchiveItem& f);
    bool FindItemIndex(std::u16string_view name, std::int32_t& itemNo);
    void ExtractItem(std::int32_t itemNo, platform::Stream& stream);
    bool DecodeItemData(const TDirItem& item, platform::Stream& stream);
    void DoOverallProgress(double progress, TZFProcessOperation operation, TZFProgressPhase progressPhase);
    void DoFileProgress(std::u16string_view fileName, double progress, TZFProcessOperation operation,
                        TZFProgressPhase progressPhase);

protected:
    // The single-file open of OpenArchive(Mode): open the stream, create the
    // directory manager, find the end record, decide the spanning mode.
    void OpenSingleFile();
    void LoadDirAndActivate();
    bool EndRecordOnAnotherDisk();
    void ReleaseStreamAndDir();

private:
    std::unique_ptr<platform::Stream> ownedStream_;
};

class TZFArchiver : public TZFBaseArchiver {
public:
    explicit TZFArchiver(void* aOwner = nullptr);
};

// True for the drives A: and B: and for a drive the system reports removable.
bool IsRemovableDrive(std::u16string_view fileName);

}  // namespace archive
