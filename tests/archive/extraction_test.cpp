// ExtractToStream: the lookup by name, the member data roads (stored, deflated),
// the size and check-sum tests, the flags that silence a failure, the progress
// and disk-full events, and the state the call leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "archive/archiver.h"
#include "archive/errors.h"
#include "tests/archive/extraction_fixture.h"
#include "tests/support/zip_writer.h"

using namespace archive;
using namespace extraction_tests;
using testing_support::ZipMember;
using testing_support::ZipWriter;
namespace zf = testing_support::zipfield;

namespace {

std::string Text(std::size_t n) {
    std::string text;
    while (text.size() < n) text += "Lorem ipsum dolor sit amet, consectetur adipiscing elit. ";
    text.resize(n);
    return text;
}

std::string LookupArchive() {
    ZipWriter w;
    w.AddStored("Payload/Sub/deep.plist", "deep")
        .AddStored("ITUNESMETADATA.PLIST", "metadata")
        .AddDeflated("Payload/X.app/Info.plist", "info")
        .AddStored("second.plist", "second")
        .AddStored("Readme.txt", "lower index")
        .AddStored("README.TXT", "higher index")
        .AddStored("\xC3\xA4.txt", "a-umlaut")
        .Add(ZipMember{.name = "Payload/", .externalAttr = 0x10});
    return w.Build().bytes;
}

struct LookupRow {
    const char* name;
    std::u16string request;
    std::string bytes;  // empty with nativeError
    std::int32_t nativeError;
};

TEST(ExtractToStreamLookup, FindsMembersByTheArchiveRules) {
    const LookupRow rows[] = {
        {"ASCII case is folded", u"iTunesMetadata.plist", "metadata", 0},
        {"backslashes read as the archive's separator", u"Payload\\X.app\\Info.plist", "info", 0},
        {"a drive leaves a leading separator behind", u"D:\\iTunesMetadata.plist", "", 15},
        {"a drive directly before the name is dropped", u"D:iTunesMetadata.plist", "metadata", 0},
        {"a mask takes the first root match in directory order", u"*.plist", "metadata", 0},
        {"a mask never takes members of sub-folders", u"*.app", "", 15},
        {"non-ASCII letters are not folded", u"\u00c4.txt", "", 15},
        {"the exact lookup takes the higher of two case twins", u"readme.txt", "higher index", 0},
        {"a folder member is found by its stored name", u"Payload/", "", 0},
        {"an unknown name", u"Missing.plist", "", 15},
    };
    OpenedArchive archive(LookupArchive());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Extraction result = Extract(archive.arc, row.request);
        EXPECT_EQ(result.nativeError, row.nativeError) << result.message;
        EXPECT_EQ(result.bytes, row.bytes);
    }
}

TEST(ExtractToStreamLookup, NotFoundNamesTheRequestAsGiven) {
    OpenedArchive archive(ZipWriter().Build().bytes);
    const Extraction result = Extract(archive.arc, u"Payload\\Missing.plist");
    EXPECT_EQ(result.nativeError, 15);
    EXPECT_EQ(result.message, "File \"Payload\\Missing.plist\" not found - Native error: 00015");
}

TEST(ExtractToStreamState, ClosedArchiveAndPendingUpdateAreRefused) {
    TZFArchiver closed;
    EXPECT_EQ(Extract(closed, u"x").nativeError, 13);
    OpenedArchive archive(LookupArchive());
    archive.arc.FUpdateCount = 1;
    EXPECT_EQ(Extract(archive.arc, u"Readme.txt").nativeError, 26);
}

struct RoundTripRow {
    const char* name;
    ZipMember member;
};

TEST(ExtractToStreamData, StoredAndDeflatedMembersArriveWhole) {
    const RoundTripRow rows[] = {
        {"stored", {.name = "a.bin", .data = Text(200000)}},
        {"deflated", {.name = "a.bin", .data = Text(3 << 20), .method = 8}},
        {"stored, empty", {.name = "a.bin", .data = ""}},
        {"deflated, empty", {.name = "a.bin", .data = "", .method = 8}},
        {"deflated with a data descriptor", {.name = "a.bin", .data = Text(5000), .method = 8, .dataDescriptor = true}},
        {"zip64 sizes and offset", {.name = "a.bin", .data = Text(70000), .method = 8, .zip64 = true}},
        {"local extra field longer than the central one",
         {.name = "a.bin", .data = Text(999), .localExtra = testing_support::ExtraBlock(0xCAFE, Text(300))}},
        {"no test at version 0x4114, size still right",
         {.name = "a.bin", .data = Text(10), .extractVersion = 0x4114, .crcOverride = 0x12345678u}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        OpenedArchive archive(ZipWriter().AddStored("first", "x").Add(row.member).Build().bytes);
        const Extraction result = Extract(archive.arc, u"a.bin");
        EXPECT_TRUE(result.ok) << result.message;
        EXPECT_TRUE(result.bytes == row.member.data);
    }
}

TEST(ExtractToStreamData, WrongLocalSignatureIsNotAnErrorOfItsOwn) {
    auto layout = ZipWriter().AddDeflated("a.txt", Text(100)).Build();
    layout.SetU32(layout.localHeaders[0], 0x12345678u);
    OpenedArchive archive(layout.bytes);
    EXPECT_EQ(Extract(archive.arc, u"a.txt").bytes, Text(100));
}

struct FailureRow {
    const char* name;
    ZipMember member;
    std::int32_t nativeError;
    std::string bytesWritten;  // what the stream holds afterwards
};

TEST(ExtractToStreamData, BrokenMembersFailWithTheirCodes) {
    const std::string plain = Text(3000);
    const std::string packed = testing_support::RawDeflate(plain);
    const FailureRow rows[] = {
        {"check sum differs, bytes written whole", {.name = "a", .data = plain, .crcOverride = 1u}, 8, plain},
        {"deflate cut before its final block",
         {.name = "a", .data = plain, .method = 8, .rawData = packed.substr(0, packed.size() / 2)},
         8,
         ""},
        {"three stray bytes behind the deflate data",
         {.name = "a", .data = plain, .method = 8, .rawData = packed + "xyz"},
         0,
         plain},
        {"four stray bytes read as a wrong trailer",
         {.name = "a", .data = plain, .method = 8, .rawData = packed + "wxyz"},
         8,
         ""},
        {"Deflate64", {.name = "a", .data = plain, .method = 9}, 55, ""},
        {"unknown method", {.name = "a", .data = plain, .method = 12}, 8, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        OpenedArchive archive(ZipWriter().Add(row.member).Build().bytes);
        const Extraction result = Extract(archive.arc, u"a");
        EXPECT_EQ(result.nativeError, row.nativeError) << result.message;
        if (!row.bytesWritten.empty()) {
            EXPECT_TRUE(result.bytes == row.bytesWritten);
        }
        EXPECT_TRUE(archive.arc.Active());
    }
}

TEST(ExtractToStreamData, CorruptedFilesFlagSilencesCode8ButNot55) {
    const std::string plain = Text(3000);
    struct Row {
        const char* name;
        ZipMember member;
        std::int32_t nativeError;
        std::string bytes;
    } rows[] = {
        {"check sum differs: bytes stay", {.name = "a", .data = plain, .crcOverride = 1u}, 0, plain},
        {"unknown method: no output", {.name = "a", .data = plain, .method = 14}, 0, ""},
        {"Deflate64 still raises", {.name = "a", .data = plain, .method = 9}, 55, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        OpenedArchive archive(ZipWriter().Add(row.member).Build().bytes);
        archive.arc.FExtractCorruptedFiles = true;
        const Extraction result = Extract(archive.arc, u"a");
        EXPECT_EQ(result.nativeError, row.nativeError);
        EXPECT_TRUE(result.bytes == row.bytes);
    }
}

TEST(ExtractToStreamData, SizeTestsUseTheCentralSizes) {
    auto layout = ZipWriter().AddStored("a", "12345").AddStored("b", "x").Build();
    layout.SetU32(layout.centralHeaders[0] + zf::kCdUncompSize, 6);
    OpenedArchive archive(layout.bytes);
    EXPECT_EQ(Extract(archive.arc, u"a").nativeError, 8);
}

// An overstated size of the last member is cut at the central directory (a stored
// member states the same size twice).
TEST(ExtractToStreamData, OverstatedLastSizeStopsAtTheCentralDirectory) {
    const std::string plain = Text(3000);
    struct Row {
        const char* name;
        ZipMember member;
        std::int32_t nativeError;
    } rows[] = {
        {"stored fails its size test", {.name = "a", .data = plain}, 8},
        {"deflated passes with nothing behind its data", {.name = "a", .data = plain, .method = 8}, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto layout = ZipWriter().Add(row.member).Build();
        const std::uint32_t packedSize = layout.U32(layout.centralHeaders[0] + zf::kCdCompSize);
        layout.SetU32(layout.centralHeaders[0] + zf::kCdCompSize, packedSize + 40);
        if (row.member.method == 0) layout.SetU32(layout.centralHeaders[0] + zf::kCdUncompSize, packedSize + 40);
        OpenedArchive archive(layout.bytes);
        const Extraction result = Extract(archive.arc, u"a");
        EXPECT_EQ(result.nativeError, row.nativeError) << result.message;
        EXPECT_EQ(result.bytes.substr(0, 3000), plain);
    }
}

// A few hundred bytes that would inflate to 64 MiB, declared as 1000 bytes.
TEST(ExtractToStreamData, InflatingPastTheDeclaredSizeStopsThere) {
    const std::string huge(64u << 20, '\0');
    ZipMember bomb{.name = "bomb", .data = huge, .method = 8};
    auto layout = ZipWriter().Add(bomb).Build();
    layout.SetU32(layout.centralHeaders[0] + zf::kCdUncompSize, 1000);
    OpenedArchive archive(layout.bytes);
    const Extraction result = Extract(archive.arc, u"bomb");
    EXPECT_EQ(result.nativeError, 8);
    EXPECT_EQ(result.bytes.size(), 1000u);
    archive.arc.FExtractCorruptedFiles = true;
    EXPECT_EQ(Extract(archive.arc, u"bomb").bytes.size(), 1000u);
}

// An archive stream with a stretch that cannot be read (a bad sector): reads stop
// short at its start.
class StreamWithHole final : public platform::Stream {
public:
    StreamWithHole(std::string bytes, std::int64_t holeStart, std::int64_t holeEnd)
            : bytes_(std::move(bytes)), holeStart_(holeStart), holeEnd_(holeEnd) {}
    std::size_t Read(void* buffer, std::size_t count) override {
        std::int64_t end = std::min<std::int64_t>(position_ + static_cast<std::int64_t>(count), Size());
        if (position_ < holeEnd_ && end > holeStart_) end = std::max(position_, holeStart_);
        const auto n = static_cast<std::size_t>(end - position_);
        std::memcpy(buffer, bytes_.data() + position_, n);
        position_ += static_cast<std::int64_t>(n);
        return n;
    }
    std::size_t Write(const void*, std::size_t) override { return 0; }
    std::int64_t Seek(std::int64_t offset, platform::SeekOrigin origin) override {
        const std::int64_t base = origin == platform::SeekOrigin::Begin     ? 0
                                  : origin == platform::SeekOrigin::Current ? position_
                                                                            : Size();
        return position_ = base + offset;
    }
    void SetSize(std::int64_t) override {}
    std::int64_t Size() override { return static_cast<std::int64_t>(bytes_.size()); }

private:
    std::string bytes_;
    std::int64_t holeStart_;
    std::int64_t holeEnd_;
    std::int64_t position_ = 0;
};

// The member fails at once; the reading does not start over from the top of the file.
TEST(ExtractToStreamData, ShortReadOfMemberDataFailsTheMember) {
    const auto layout = ZipWriter().AddStored("first", "PK-first").AddStored("big", Text(3 << 20)).Build();
    const std::int64_t hole = layout.localHeaders[1] + 30 + 3 + (1 << 20) + 100;
    StreamWithHole stream(layout.bytes, hole, hole + 10);
    TZFArchiver arc;
    arc.OpenArchive(stream, false);
    const Extraction result = Extract(arc, u"big");
    EXPECT_EQ(result.nativeError, 8);
    EXPECT_EQ(result.bytes, Text(1 << 20));
    EXPECT_EQ(result.bytes.find("PK"), std::string::npos);
}

TEST(ExtractToStreamData, WritesAtTheStreamPositionAndKeepsOlderBytes) {
    OpenedArchive archive(ZipWriter().AddDeflated("a", "NEW").Build().bytes);
    platform::MemoryStream stream;
    stream.WriteBuffer("0123456789abcdefghij", 20);
    stream.SetPosition(10);
    const Extraction result = ExtractInto(archive.arc, u"a", stream);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.bytes, "0123456789NEWdefghij");
    EXPECT_EQ(stream.Position(), 13);
}

TEST(ExtractToStreamState, RecurseComesBackOnEveryWayOut) {
    OpenedArchive archive(ZipWriter().AddStored("ok", "x").AddStored("bad", "y").Build().bytes);
    archive.arc.FOptions.FRecurse = true;
    EXPECT_TRUE(Extract(archive.arc, u"ok").ok);
    EXPECT_TRUE(archive.arc.FOptions.FRecurse);
    EXPECT_EQ(Extract(archive.arc, u"none").nativeError, 15);
    EXPECT_TRUE(archive.arc.FOptions.FRecurse);
    archive.arc.OnFileProgress = [](TZFBaseArchiver& sender, const std::u16string&, double, TZFProcessOperation,
                                    TZFProgressPhase, bool&) {
        EXPECT_FALSE(sender.FOptions.FRecurse);
        throw std::runtime_error("handler failed");
    };
    platform::MemoryStream stream;
    EXPECT_THROW(archive.arc.ExtractToStream(u"ok", stream), std::runtime_error);
    EXPECT_TRUE(archive.arc.FOptions.FRecurse);
}

struct Event {
    std::string kind;
    std::u16string name;
    double progress;
    TZFProgressPhase phase;
    std::int64_t progressMax;
};

TEST(ExtractToStreamEvents, ProgressOfAStoredMemberInPieces) {
    OpenedArchive archive(ZipWriter().AddStored("Payload/big.bin", Text(100000)).Build().bytes);
    std::vector<Event> events;
    archive.arc.OnOverallProgress = [&](TZFBaseArchiver& s, double p, TZFProcessOperation, TZFProgressPhase ph, bool&) {
        events.push_back({"overall", u"", p, ph, s.FProgressMax});
    };
    archive.arc.OnFileProgress = [&](TZFBaseArchiver& s, const std::u16string& n, double p, TZFProcessOperation,
                                     TZFProgressPhase ph, bool&) {
        events.push_back({"file", n, p, ph, s.FProgressMax});
    };
    ASSERT_TRUE(Extract(archive.arc, u"Payload/big.bin").ok);
    const double piece = 65535.0 / 100000.0 * 100.0;
    const std::vector<Event> expected = {
        {"overall", u"", 0.0, ppStart, 0},
        {"file", u"", 0.0, ppStart, 0},
        {"file", u"Payload\\big.bin", piece, ppProcess, 100000},
        {"overall", u"", piece, ppProcess, 100000},
        {"file", u"Payload\\big.bin", 100.0, ppProcess, 100000},
        {"overall", u"", 100.0, ppProcess, 100000},
        {"file", u"", 100.0, ppEnd, 100000},
        {"overall", u"", 100.0, ppEnd, 100000},
    };
    ASSERT_EQ(events.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(events[i].kind, expected[i].kind);
        EXPECT_EQ(events[i].name, expected[i].name);
        EXPECT_DOUBLE_EQ(events[i].progress, expected[i].progress);
        EXPECT_EQ(events[i].phase, expected[i].phase);
        if (i > 1) {
            EXPECT_EQ(events[i].progressMax, expected[i].progressMax);
        }
    }
    EXPECT_EQ(archive.arc.FProcessedFileNo, 0);
    EXPECT_EQ(archive.arc.FProcessedFileCount, 1);
    EXPECT_TRUE(archive.arc.FProgressEnabled);
}

TEST(ExtractToStreamEvents, EmptyMemberCountsTwoAsItsMaximum) {
    OpenedArchive archive(ZipWriter().AddDeflated("empty", "").Build().bytes);
    std::int64_t maxDuringCall = -1;
    archive.arc.OnFileProgress = [&](TZFBaseArchiver& s, const std::u16string&, double, TZFProcessOperation,
                                     TZFProgressPhase phase, bool&) {
        if (phase == ppEnd) maxDuringCall = s.FProgressMax;
    };
    const Extraction result = Extract(archive.arc, u"empty");
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(result.bytes.empty());
    EXPECT_EQ(maxDuringCall, 2);
}

TEST(ExtractToStreamEvents, CancelEndsTheMemberWithoutError) {
    OpenedArchive archive(ZipWriter().AddStored("big", Text(300000)).Build().bytes);
    archive.arc.OnFileProgress = [](TZFBaseArchiver&, const std::u16string&, double, TZFProcessOperation,
                                    TZFProgressPhase phase, bool& cancel) {
        if (phase == ppProcess) cancel = true;
    };
    const Extraction result = Extract(archive.arc, u"big");
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_TRUE(result.bytes.empty());
}

// Takes at most `room` bytes in all.
class SmallDisk final : public platform::Stream {
public:
    explicit SmallDisk(std::size_t room) : room_(room) {}
    std::size_t Read(void* b, std::size_t n) override { return data_.Read(b, n); }
    std::size_t Write(const void* b, std::size_t n) override {
        const auto used = static_cast<std::size_t>(data_.Position());
        return data_.Write(b, std::min(n, room_ > used ? room_ - used : 0));
    }
    std::int64_t Seek(std::int64_t o, platform::SeekOrigin origin) override { return data_.Seek(o, origin); }
    void SetSize(std::int64_t s) override { data_.SetSize(s); }
    std::size_t room_;
    platform::MemoryStream data_;
};

TEST(ExtractToStreamEvents, FullDiskWithoutHandlerRaises65) {
    OpenedArchive archive(ZipWriter().AddStored("big", Text(100000)).Build().bytes);
    SmallDisk disk(1000);
    try {
        archive.arc.ExtractToStream(u"big", disk);
        ADD_FAILURE() << "no error";
    } catch (const EZFException& e) {
        EXPECT_EQ(e.NativeError, 65);
        EXPECT_EQ(std::string(e.what()), "Disk is full. There is not enough free space on disk. - Native error: 00065");
    }
}

TEST(ExtractToStreamEvents, FullDiskHandlerRetriesOrCancels) {
    const std::string plain = Text(100000);
    OpenedArchive archive(ZipWriter().AddStored("big", plain).Build().bytes);
    SmallDisk disk(1000);
    int asked = 0;
    archive.arc.OnDiskFull = [&](TZFBaseArchiver&, std::int32_t volume, const std::u16string& file, bool& cancel) {
        EXPECT_EQ(volume, 0);
        EXPECT_EQ(file, archive.Path());
        EXPECT_FALSE(cancel);
        ++asked;
        disk.room_ = 1 << 20;  // room made: the piece is written again from where it began
    };
    archive.arc.ExtractToStream(u"big", disk);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(std::string(disk.data_.Data().begin(), disk.data_.Data().end()), plain);

    SmallDisk full(1000);
    archive.arc.OnDiskFull = [](TZFBaseArchiver&, std::int32_t, const std::u16string&, bool& cancel) { cancel = true; };
    archive.arc.ExtractToStream(u"big", full);
    EXPECT_EQ(full.data_.Size(), 1000);
}

}  // namespace
