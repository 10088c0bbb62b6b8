// The component's state, opening, closing and properties.
#include "archive/archiver.h"

#include <stdexcept>

#include "archive/errors.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "platform/strings.h"

namespace archive {
namespace {

constexpr std::uint16_t kTestOpenMode = platform::kFmOpenReadWrite | platform::kFmShareDenyWrite;  // 0x22
constexpr std::uint16_t kFallbackMode = platform::kFmOpenRead | platform::kFmShareDenyNone;        // 0x40

// What follows the last backslash or colon.
std::u16string_view FileNamePart(std::u16string_view path) {
    const std::size_t cut = path.find_last_of(u"\\:");
    return cut == std::u16string_view::npos ? path : path.substr(cut + 1);
}

// "C:" for a path with a drive letter, "\\server\share" for a UNC path, else empty.
std::u16string DrivePart(std::u16string_view path) {
    if (path.size() >= 2 && path[1] == u':') return std::u16string(path.substr(0, 2));
    if (path.size() >= 2 && path[0] == u'\\' && path[1] == u'\\') {
        const std::size_t server = path.find(u'\\', 2);
        if (server == std::u16string_view::npos) return std::u16string(path);
        const std::size_t share = path.find(u'\\', server + 1);
        return std::u16string(path.substr(0, share));
    }
    return {};
}

}  // namespace

bool IsRemovableDrive(std::u16string_view fileName) {
    std::u16string drive = DrivePart(fileName);
    for (char16_t& c : drive) c = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    if (drive == u"A:" || drive == u"B:") return true;
    return platform::IsRemovableDrive(drive);
}

TZFBaseArchiver::TZFBaseArchiver(void*) {}

TZFBaseArchiver::~TZFBaseArchiver() { CloseArchive(); }

TZFArchiver::TZFArchiver(void* aOwner) : TZFBaseArchiver(aOwner) {
    isZIPFormat = true;
    FZip64Mode = zmDisabled;
}

void TZFBaseArchiver::OpenArchive(std::uint16_t mode) {
    FUpdated = false;
    if (!FInMemory && FileNamePart(FFileName).empty()) throw EZFException(NativeCode::kBlankName, this);
    if (mode != kOpenModeCreate && !platform::FileExists(FFileName) && FSpanningMode != smSpanning &&
        !IsRemovableDrive(FFileName)) {
        throw EZFException(NativeCode::kFileNotFound, this, {FFileName});
    }
    if (mode != kOpenModeCreate && FInMemory) throw EZFException(NativeCode::kInMemoryCreateOnly, this, {FFileName});
    CloseArchive();
    IsCustomStream = false;
    FileOpenMode = mode;
    // FIXME: creating archives (and in-memory archives) belongs to the write road, which is not built.
    if (mode == kOpenModeCreate || FInMemory) throw std::logic_error("creating an archive is not supported");
    FSpanningMode = smNone;
    FVolumeNumberInfo = TZFVolumeNumberInfo{};
    OpenSingleFile();
    LoadDirAndActivate();
}

// The end of every open: without an end record (and not opening corrupted
// archives) the stream is released before native code 48; otherwise the
// directory is loaded and the archive is open.
void TZFBaseArchiver::LoadDirAndActivate() {
    if (!DMHandle->HasCentralDirEnd()) {
        ReleaseStreamAndDir();
        throw EZFException(NativeCode::kNoEndRecord, this);
    }
    DMHandle->LoadDir();
    FActive = true;
    if (FAfterOpen) FAfterOpen(*this);
}

// Multi-volume archives are not read: an end record on another disk, or no end
// record on a removable drive (where the archive would be spanned), ends the open.
void TZFBaseArchiver::OpenSingleFile() {
    DMHandle.reset();
    if (FCompressedStream == nullptr) {
        ownedStream_ = std::make_unique<platform::FileStream>(FFileName, FileOpenMode);
        FCompressedStream = ownedStream_.get();
        VolumeFileName = FFileName;
    }
    DMHandle = std::make_unique<TZFDirManager>(FCompressedStream, false, this);
    const bool openCorrupted = FOpenCorruptedArchives;
    FOpenCorruptedArchives = false;
    bool found = false;
    try {
        found = DMHandle->HasCentralDirEnd();
    } catch (...) {
        FOpenCorruptedArchives = openCorrupted;
        throw;
    }
    FOpenCorruptedArchives = openCorrupted;
    if (found ? EndRecordOnAnotherDisk() : IsRemovableDrive(FFileName))
        throw EZFException(NativeCode::kMultiVolume, nullptr);
    FSpanningMode = smNone;
}

// A disk number of 0xFFFF says that the number is in the zip64 records, as
// writers put it when they mark every field of the end record: such an archive
// is on one disk when its zip64 locator counts at most one.
bool TZFBaseArchiver::EndRecordOnAnotherDisk() {
    const std::uint16_t disk = DMHandle->CentralDirEnd.diskNumber;
    if (disk != kZip64Marker16) return disk != 0;
    TZFZipCentralDirEnd record;
    std::int64_t e = -1;
    DMHandle->FindCentralDirEnd(kCentralDirEndSignature, record, e);
    std::int64_t z = e;
    DMHandle->ReadZip64Locator(e, z);
    return !DMHandle->FZip64 || DMHandle->Zip64CentralDirEndLocator.totalNumberOfDisks > 1;
}

void TZFBaseArchiver::OpenArchive() {
    if (!FInMemory && FileNamePart(FFileName).empty()) throw EZFException(NativeCode::kBlankNameNoMode, this);
    std::uint16_t mode = kOpenModeCreate;
    if (!FInMemory && platform::FileExists(FFileName)) {
        try {
            platform::FileStream test(FFileName, kTestOpenMode);
            mode = kTestOpenMode;
        } catch (const platform::Exception&) {
            mode = kFallbackMode;
        }
    }
    OpenArchive(mode);
}

void TZFBaseArchiver::OpenArchive(platform::Stream& stream, bool create) {
    if (FSpanningMode != smNone) throw EZFException(NativeCode::kCustomStreamSpanning, this);
    // FIXME: creating an archive on a stream belongs to the write road, which is not built.
    if (create) throw std::logic_error("creating an archive is not supported");
    CloseArchive();
    IsCustomStream = true;
    FCompressedStream = &stream;
    DMHandle = std::make_unique<TZFDirManager>(FCompressedStream, false, this);
    LoadDirAndActivate();
}

// Nothing is written back on the read road: no update is ever begun, and the
// stream is never only a stub.
void TZFBaseArchiver::CloseArchive() {
    FActive = false;
    ReleaseStreamAndDir();
}

void TZFBaseArchiver::ReleaseStreamAndDir() {
    DMHandle.reset();
    ownedStream_.reset();
    FCompressedStream = nullptr;
}

void TZFBaseArchiver::SetActive(bool value) {
    if (value) {
        OpenArchive();
    } else {
        CloseArchive();
    }
}

std::string TZFBaseArchiver::Comment() const { return FActive && DMHandle ? DMHandle->ArchiveComment : std::string(); }

bool TZFBaseArchiver::Exists() const { return platform::FileExists(FFileName); }

std::int64_t TZFBaseArchiver::Size() const {
    if (!FActive || FCompressedStream == nullptr) throw EZFException(NativeCode::kNotOpen, this);
    return FCompressedStream->Size();
}

}  // namespace archive
