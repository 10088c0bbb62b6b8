#pragma once
// Helpers of the archive tests: open bytes with a fresh component, from a file
// or from memory, and tell how the open ended.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "archive/archiver.h"
#include "archive/errors.h"
#include "platform/stream.h"
#include "tests/support/temp_dir.h"

namespace archive_tests {

struct OpenOutcome {
    bool opened = false;
    std::int32_t nativeError = 0;  // of an EZFException; 0 otherwise
    bool readError = false;        // the stream layer's EReadError
    std::string message;           // of any exception

    std::string Describe() const { return opened ? "opened" : message; }
};

// Runs `open` and sorts out how it ended.
template <typename Open>
OpenOutcome TryOpen(Open&& open) {
    OpenOutcome outcome;
    try {
        open();
        outcome.opened = true;
    } catch (const archive::EZFException& e) {
        outcome.nativeError = e.NativeError;
        outcome.message = e.what();
    } catch (const platform::EReadError& e) {
        outcome.readError = true;
        outcome.message = e.what();
    } catch (const std::exception& e) {
        outcome.message = std::string("other: ") + e.what();
    }
    return outcome;
}

inline std::unique_ptr<platform::MemoryStream> StreamOf(std::string_view bytes) {
    auto stream = std::make_unique<platform::MemoryStream>();
    stream->WriteBuffer(bytes.data(), bytes.size());
    stream->SetPosition(0);
    return stream;
}

// A component opened on an in-memory archive (the stream outlives the component).
struct MemoryArchive {
    explicit MemoryArchive(std::string_view bytes, bool strict = false) : stream(StreamOf(bytes)) {
        arc.FOpenCorruptedArchives = !strict;
        outcome = TryOpen([&] { arc.OpenArchive(*stream, false); });
    }
    std::unique_ptr<platform::MemoryStream> stream;
    archive::TZFArchiver arc;
    OpenOutcome outcome;

    archive::TZFDirArray& Dir() { return arc.DMHandle->CDir; }
    const archive::TDirItem& Item(int i) { return arc.DMHandle->CDir.ItemRef(i); }
};

// ASCII text as UTF-16.
inline std::u16string Widen(std::string_view text) { return std::u16string(text.begin(), text.end()); }

// The name of asset `i` of a large package, as the directory tests fill them.
inline std::string NumberedName(int i) {
    char name[48];
    std::snprintf(name, sizeof name, "Payload/App.app/Assets/i_%05d.png", i);
    return name;
}

// Replaces every local header signature, so that no local header can be found.
inline std::string WithoutLocalSignatures(std::string bytes) {
    for (std::size_t at = bytes.find("PK\x03\x04"); at != std::string::npos; at = bytes.find("PK\x03\x04", at)) {
        bytes[at + 2] = 'x';
    }
    return bytes;
}

// An extraction target that keeps only the count of the bytes written: some
// members hold gigabytes, and the reader tests the check sum itself.
class CountingStream final : public platform::Stream {
public:
    std::size_t Read(void*, std::size_t) override { return 0; }
    std::size_t Write(const void*, std::size_t count) override {
        written_ += static_cast<std::int64_t>(count);
        return count;
    }
    std::int64_t Seek(std::int64_t, platform::SeekOrigin) override { return written_; }
    void SetSize(std::int64_t) override {}
    std::int64_t Size() override { return written_; }
    std::int64_t Written() const { return written_; }

private:
    std::int64_t written_ = 0;
};

}  // namespace archive_tests
