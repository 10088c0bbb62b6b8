// Fuzzes the archive reader as packages reach it: the input is the whole
// archive file. It is opened twice, strictly from a file (as the program opens
// packages) and on the recovery road from a memory stream; each time every
// item is walked with the search and extracted into memory, with a password
// handler that gives up after a few tries.
#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/archiver.h"
#include "fuzz/fuzz_support.h"
#include "platform/exception.h"
#include "platform/stream.h"

namespace {

// Bounds the work one input can cause: items extracted per open, and bytes a
// single extraction may produce (the sink refuses more, which the archiver
// reports as a full disk).
constexpr int kMaxExtractions = 64;
constexpr std::size_t kMaxExtractedBytes = 1u << 20;
constexpr int kPasswordTries = 3;
constexpr std::int32_t kAllAttributes = 0xFFFF;

// A memory stream that takes at most kMaxExtractedBytes.
class BoundedSink final : public platform::Stream {
public:
    std::size_t Read(void* buffer, std::size_t count) override { return data_.Read(buffer, count); }
    std::size_t Write(const void* buffer, std::size_t count) override {
        if (data_.Size() + static_cast<std::int64_t>(count) > static_cast<std::int64_t>(kMaxExtractedBytes)) return 0;
        return data_.Write(buffer, count);
    }
    std::int64_t Seek(std::int64_t offset, platform::SeekOrigin origin) override { return data_.Seek(offset, origin); }
    void SetSize(std::int64_t size) override { data_.SetSize(size); }
    std::int64_t Size() override { return data_.Size(); }
    void Clear() { data_.Clear(); }

private:
    platform::MemoryStream data_;
};

// Wrong passwords first, then skip: every way through the password stage.
void InstallPasswordHandler(archive::TZFBaseArchiver& arc) {
    arc.OnPassword = [tries = 0](archive::TZFBaseArchiver&, const std::u16string&, std::string& password,
                                 bool& skipFile) mutable {
        static const char* const kGuesses[] = {"", "s3cret", "1234"};
        if (tries >= kPasswordTries) {
            skipFile = true;
            return;
        }
        password = kGuesses[tries++];
    };
}

void ExtractQuietly(archive::TZFBaseArchiver& arc, std::u16string_view name, BoundedSink& sink) {
    sink.Clear();
    try {
        arc.ExtractToStream(name, sink);
    } catch (const platform::Exception&) {
        // The archiver's and the stream layer's errors are the expected answers to bad input.
    }
}

// Walks every item with the search and extracts each by the name the search
// reports, then the metadata member the way the program asks for it.
void WalkAndExtract(archive::TZFBaseArchiver& arc) {
    BoundedSink sink;
    archive::TZFArchiveItem item;
    int extracted = 0;
    for (bool found = arc.FindFirst(u"*", item, kAllAttributes, u""); found && extracted < kMaxExtractions;
         found = arc.FindNext(item), ++extracted) {
        InstallPasswordHandler(arc);
        ExtractQuietly(arc, item.StoredPath + item.FileName, sink);
    }
    InstallPasswordHandler(arc);
    ExtractQuietly(arc, u"iTunesMetadata.plist", sink);
    (void)arc.Comment();
}

void OpenFromFile(const std::u16string& path) {
    archive::TZFArchiver arc;
    arc.FOpenCorruptedArchives = false;
    arc.SetFileName(path);
    try {
        arc.OpenArchive(0);
    } catch (const platform::Exception&) {
        return;
    }
    WalkAndExtract(arc);
}

void OpenFromMemoryWithRebuild(const std::uint8_t* data, std::size_t size) {
    platform::MemoryStream stream;
    stream.WriteBuffer(data, size);
    stream.SetPosition(0);
    archive::TZFArchiver arc;
    arc.FOpenCorruptedArchives = true;
    try {
        arc.OpenArchive(stream, false);
    } catch (const platform::Exception&) {
        return;
    }
    WalkAndExtract(arc);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzz::ScratchFile file("archive.ipa");
    file.Write({data, size});
    OpenFromFile(file.Path());
    OpenFromMemoryWithRebuild(data, size);
    return 0;
}
