#include "details/metadata_extraction.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "archive/errors.h"
#include "platform/exception.h"
#include "platform/limited_stream.h"
#include "tests/support/zip_writer.h"

using details::ExtractBoundedMember;
using platform::ESizeLimitError;
using testing_support::ZipLayout;
using testing_support::ZipMember;
using testing_support::ZipWriter;
namespace zipfield = testing_support::zipfield;

namespace {

constexpr std::int64_t kLimit = 64 * 1024;
constexpr std::u16string_view kName = u"iTunesMetadata.plist";

// An archive in memory that counts the bytes read from it.
class CountingArchive final : public platform::Stream {
public:
    explicit CountingArchive(const std::string& bytes) { data_.WriteBuffer(bytes.data(), bytes.size()); }
    std::size_t Read(void* buffer, std::size_t count) override {
        const std::size_t n = data_.Read(buffer, count);
        bytesRead += static_cast<std::int64_t>(n);
        return n;
    }
    std::size_t Write(const void*, std::size_t) override { return 0; }
    std::int64_t Seek(std::int64_t offset, platform::SeekOrigin origin) override { return data_.Seek(offset, origin); }
    void SetSize(std::int64_t) override {}
    std::int64_t Size() override { return data_.Size(); }

    std::int64_t bytesRead = 0;

private:
    platform::MemoryStream data_;
};

// Bytes that deflate cannot shrink.
std::string Noise(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 2463534242u;
    for (char& c : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        c = static_cast<char>(state);
    }
    return bytes;
}

ZipMember Member(std::string name, std::string data, bool deflated) {
    ZipMember member;
    member.name = std::move(name);
    member.data = std::move(data);
    member.method = deflated ? 8 : 0;
    return member;
}

enum class Outcome { kExtracted, kRefusedUnread, kFailed };

struct Case {
    const char* name;
    std::vector<ZipMember> members;
    std::function<void(ZipLayout&)> mutate;  // a lie in the directory, or nothing
    Outcome outcome;
    std::string extracted;  // kExtracted: the bytes delivered
};

void SetCentral(ZipLayout& layout, std::size_t member, int field, std::uint32_t value) {
    layout.SetU32(layout.centralHeaders[member] + field, value);
}

}  // namespace

// The directory's sizes decide before a byte of the member is read; a lie
// about them ends the extraction with the stream still within the limit.
TEST(ExtractBoundedMember, DeclaredSizesDecideAndOutputStaysWithinTheLimit) {
    const std::string atLimit(kLimit, 'm');
    const Case cases[] = {
        {"stored, exactly the limit",
         {Member("iTunesMetadata.plist", atLimit, false)},
         nullptr,
         Outcome::kExtracted,
         atLimit},
        {"deflated, exactly the limit",
         {Member("iTunesMetadata.plist", atLimit, true)},
         nullptr,
         Outcome::kExtracted,
         atLimit},
        {"stored, one byte over",
         {Member("iTunesMetadata.plist", atLimit + "m", false)},
         nullptr,
         Outcome::kRefusedUnread,
         ""},
        {"deflated, honestly huge",
         {Member("iTunesMetadata.plist", std::string(64 * kLimit, 'm'), true)},
         nullptr,
         Outcome::kRefusedUnread,
         ""},
        {"declared small, inflates far past the limit",
         {Member("iTunesMetadata.plist", std::string(64 * kLimit, 'm'), true)},
         [](ZipLayout& z) { SetCentral(z, 0, zipfield::kCdUncompSize, 1000); },
         Outcome::kFailed,
         ""},
        {"declared huge, actually small",
         {Member("iTunesMetadata.plist", "tiny", false)},
         [](ZipLayout& z) { SetCentral(z, 0, zipfield::kCdUncompSize, 0xFFFFFFF0u); },
         Outcome::kRefusedUnread,
         ""},
        {"compressed size declared huge",
         {Member("iTunesMetadata.plist", "tiny", true)},
         [](ZipLayout& z) { SetCentral(z, 0, zipfield::kCdCompSize, 0x7FFFFFF0u); },
         Outcome::kRefusedUnread,
         ""},
        {"incompressible: the limit itself, but more once deflated",
         {Member("iTunesMetadata.plist", Noise(kLimit), true)},
         nullptr,
         Outcome::kRefusedUnread,
         ""},
        {"a huge namesake in a sub-folder is not the member",
         {Member("Payload/iTunesMetadata.plist", std::string(64 * kLimit, 'p'), true),
          Member("iTunesMetadata.plist", "root", false)},
         nullptr,
         Outcome::kExtracted,
         "root"},
        {"the root member is the huge one",
         {Member("iTunesMetadata.plist", std::string(64 * kLimit, 'r'), true),
          Member("Payload/iTunesMetadata.plist", "small", false)},
         nullptr,
         Outcome::kRefusedUnread,
         ""},
        // Of two items with one name, the name index answers with the later: the
        // one extraction takes, and so the one whose size decides.
        {"a huge earlier namesake at the root is not the member",
         {Member("iTunesMetadata.plist", std::string(64 * kLimit, 'e'), true),
          Member("iTunesMetadata.plist", "later", false)},
         nullptr,
         Outcome::kExtracted,
         "later"},
        {"the later of two root namesakes is the huge one",
         {Member("iTunesMetadata.plist", "earlier", false),
          Member("iTunesMetadata.plist", std::string(64 * kLimit, 'l'), true)},
         nullptr,
         Outcome::kRefusedUnread,
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ZipWriter writer;
        for (const ZipMember& member : c.members) writer.Add(member);
        ZipLayout layout = writer.Build();
        if (c.mutate) c.mutate(layout);
        CountingArchive archive(layout.bytes);
        archive::TZFArchiver archiver;
        archiver.OpenArchive(archive, false);
        archive.bytesRead = 0;
        platform::MemoryStream member;
        switch (c.outcome) {
        case Outcome::kExtracted:
            ExtractBoundedMember(archiver, kName, member, kLimit);
            EXPECT_EQ(std::string(member.Data().begin(), member.Data().end()), c.extracted);
            break;
        case Outcome::kRefusedUnread:
            EXPECT_THROW(ExtractBoundedMember(archiver, kName, member, kLimit), ESizeLimitError);
            EXPECT_EQ(archive.bytesRead, 0);
            break;
        case Outcome::kFailed:
            EXPECT_ANY_THROW(ExtractBoundedMember(archiver, kName, member, kLimit));
            break;
        }
        EXPECT_LE(member.Size(), kLimit);
        EXPECT_TRUE(archiver.FOptions.FRecurse);
    }
}

TEST(ExtractBoundedMember, MissingMemberIsReportedAsExtractionReportsIt) {
    CountingArchive archive(ZipWriter().AddStored("Payload/readme.txt", "x").Build().bytes);
    archive::TZFArchiver archiver;
    archiver.OpenArchive(archive, false);
    platform::MemoryStream member;
    try {
        ExtractBoundedMember(archiver, kName, member, kLimit);
        FAIL() << "no error for a missing member";
    } catch (const archive::EZFException& error) {
        EXPECT_EQ(error.NativeError, 15);
    }
}

// Whatever the directory says, an extraction into a limited stream ends at the
// write that would pass the limit: it reads about the limit, not the member.
TEST(ExtractBoundedMember, LimitedStreamStopsAnExtractionAfterAboutTheLimit) {
    constexpr std::int64_t kSmallLimit = 1 << 20;
    const std::string data = Noise(16 << 20);
    for (const bool deflated : {false, true}) {
        SCOPED_TRACE(deflated ? "deflated" : "stored");
        CountingArchive archive(ZipWriter().Add(Member("big.bin", data, deflated)).Build().bytes);
        archive::TZFArchiver archiver;
        archiver.OpenArchive(archive, false);
        archive.bytesRead = 0;
        platform::MemoryStream member;
        platform::LimitedStream limited(member, kSmallLimit);
        EXPECT_THROW(archiver.ExtractToStream(u"big.bin", limited), ESizeLimitError);
        EXPECT_LE(member.Size(), kSmallLimit);
        EXPECT_GE(member.Size(), kSmallLimit / 2);
        EXPECT_EQ(std::string(member.Data().begin(), member.Data().end()),
                  data.substr(0, static_cast<std::size_t>(member.Size())));
        EXPECT_LT(archive.bytesRead, 4 * kSmallLimit);
    }
}
