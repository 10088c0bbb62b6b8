// The component: defaults, opening, closing, the failed-open state, properties.
#include "archive/archiver.h"

#include <gtest/gtest.h>

#include "platform/exception.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "tests/archive/archive_test_support.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_writer.h"

using namespace archive;
using namespace archive_tests;
using namespace testing_support;
namespace zf = testing_support::zipfield;

namespace {

std::string GoodArchive() {
    ZipWriter w;
    w.AddStored("iTunesMetadata.plist", "<plist/>").AddDeflated("Payload/X.app/Info.plist", "info").Comment("note");
    return w.Build().bytes;
}

// Whether another reader could open the file now (mode 0 shares with nobody).
bool FileIsFree(const std::u16string& path) {
    try {
        platform::FileStream probe(path, platform::kFmOpenRead);
        return true;
    } catch (const platform::EFOpenError&) {
        return false;
    }
}

}  // namespace

TEST(TZFArchiver, Defaults) {
    TZFArchiver arc;
    EXPECT_FALSE(arc.Active());
    EXPECT_TRUE(arc.isZIPFormat);
    EXPECT_EQ(arc.FZip64Mode, zmDisabled);
    EXPECT_TRUE(arc.FOpenCorruptedArchives);
    EXPECT_FALSE(arc.FExtractCorruptedFiles);
    EXPECT_FALSE(arc.FInMemory);
    EXPECT_EQ(arc.FSpanningMode, smNone);
    EXPECT_EQ(arc.FVolumeNumberInfo.FVolumeKind, vnkUnknown);
    EXPECT_EQ(arc.FVolumeNumberInfo.FVolumeNumber, -1);
    EXPECT_EQ(arc.FVolumeNumberInfo.FLastVolumeNumber, -1);
    EXPECT_EQ(arc.FCompressionLevel, clFastest);
    EXPECT_EQ(arc.FOptions.FSearchAttr, 0x28BF);
    EXPECT_TRUE(arc.FOptions.FRecurse);
    EXPECT_TRUE(arc.FOptions.FOEMFileNames);
    EXPECT_EQ(arc.FOptions.FStorePath, spRelativePath);
    EXPECT_EQ(arc.FOptions.FShareMode, smShareDenyNone);
    EXPECT_EQ(arc.FOptions.FOverwriteMode, omAlways);
    EXPECT_FALSE(arc.DMHandle);
    EXPECT_EQ(arc.FCompressedStream, nullptr);
    EXPECT_EQ(TZFBaseArchiver().FZip64Mode, zmAuto);
    EXPECT_FALSE(TZFBaseArchiver().isZIPFormat);
}

TEST(TZFArchiver, OpensReadsPropertiesAndCloses) {
    TempDir dir;
    const auto path = dir.Write(u"app.ipa", GoodArchive());
    TZFArchiver arc;
    int afterOpen = 0;
    arc.FAfterOpen = [&](TZFBaseArchiver& sender) {
        EXPECT_EQ(&sender, &arc);
        EXPECT_TRUE(sender.Active());
        ++afterOpen;
    };
    arc.SetFileName(path);
    EXPECT_TRUE(arc.Exists());
    EXPECT_THROW(arc.Size(), EZFException);
    EXPECT_EQ(arc.Comment(), "");
    arc.OpenArchive(0);
    EXPECT_TRUE(arc.Active());
    EXPECT_EQ(afterOpen, 1);
    EXPECT_EQ(arc.Size(), static_cast<std::int64_t>(GoodArchive().size()));
    EXPECT_EQ(arc.Comment(), "note");
    EXPECT_EQ(arc.VolumeFileName, path);
    EXPECT_EQ(arc.FileOpenMode, 0);
    EXPECT_EQ(arc.DMHandle->CDir.Count(), 2);
    EXPECT_FALSE(FileIsFree(path)) << "mode 0 shares with nobody";
    arc.CloseArchive();
    EXPECT_FALSE(arc.Active());
    EXPECT_FALSE(arc.DMHandle);
    EXPECT_TRUE(FileIsFree(path));
    EXPECT_EQ(arc.Comment(), "");
    try {
        arc.Size();
        FAIL() << "Size of a closed archive";
    } catch (const EZFException& e) {
        EXPECT_EQ(e.NativeError, 13);
    }
    arc.CloseArchive();  // closing twice does nothing
    arc.SetActive(true);
    EXPECT_TRUE(arc.Active());
    EXPECT_EQ(afterOpen, 2);
    arc.SetActive(false);
    EXPECT_FALSE(arc.Active());
}

TEST(TZFArchiver, OpenErrorsInTheirOrder) {
    TempDir dir;
    const auto existing = dir.Write(u"a.zip", GoodArchive());
    struct Row {
        const char* name;
        std::u16string fileName;
        bool inMemory;
        std::int32_t nativeError;
    };
    const Row rows[] = {
        {"blank name part", dir.Path(), false, 10},
        {"blank after a colon", u"C:", false, 10},
        {"missing file", dir.File(u"missing.ipa"), false, 12},
        {"missing file before in-memory", dir.File(u"missing.ipa"), true, 12},
        {"in-memory archive", existing, true, 28},
        {"in-memory skips the name test", dir.Path(), true, 12},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TZFArchiver arc;
        arc.SetFileName(row.fileName);
        arc.FInMemory = row.inMemory;
        const OpenOutcome outcome = TryOpen([&] { arc.OpenArchive(0); });
        EXPECT_EQ(outcome.nativeError, row.nativeError) << outcome.Describe();
        EXPECT_FALSE(arc.Active());
    }
}

TEST(TZFArchiver, MissingFileNamesTheFullPathAndCreatesNothing) {
    TempDir dir;
    const auto path = dir.File(u"Gone.ipa");
    TZFArchiver arc;
    arc.Name = u"Zip1";
    arc.SetFileName(path);
    try {
        arc.OpenArchive(0);
        FAIL();
    } catch (const EZFException& e) {
        EXPECT_EQ(e.Message(), u"Zip1: File \"" + path + u"\" not found - Native error: 00012");
    }
    EXPECT_FALSE(platform::FileExists(path));
}

TEST(TZFArchiver, NoEndRecordWithRecoveryOffFreesTheFile) {
    TempDir dir;
    const auto path = dir.Write(u"junk.ipa", "this is not an archive at all");
    TZFArchiver arc;
    arc.SetFileName(path);
    arc.FOpenCorruptedArchives = false;
    const OpenOutcome outcome = TryOpen([&] { arc.OpenArchive(0); });
    EXPECT_EQ(outcome.nativeError, 48);
    EXPECT_EQ(outcome.message, "Archive is damaged. Open failed - Native error: 00048");
    EXPECT_TRUE(FileIsFree(path));
    EXPECT_FALSE(arc.Active());
}

TEST(TZFArchiver, WithoutEndRecordOrLocalHeaderTheRecoveryRoadFails) {
    TempDir dir;
    for (const std::string& content : {std::string(), std::string("short"), std::string(5000, 'z')}) {
        SCOPED_TRACE(content.size());
        const auto path = dir.Write(u"bad.ipa", content);
        TZFArchiver arc;
        arc.SetFileName(path);
        const OpenOutcome outcome = TryOpen([&] { arc.OpenArchive(0); });
        EXPECT_EQ(outcome.nativeError, 35) << outcome.Describe();
        EXPECT_EQ(outcome.message, "Invalid archive file. - Native error: 00035");
    }
}

TEST(TZFArchiver, FailedOpenKeepsTheFileUntilTheNextOpenOrClose) {
    TempDir dir;
    ZipWriter w;
    w.AddStored("a", "1");
    w.Zip64Records();
    ZipLayout z = w.Build();
    z.SetU32(z.zip64EndRecord, 0);  // native code 40 after the file was opened
    const auto bad = dir.Write(u"bad.ipa", z.bytes);
    const auto good = dir.Write(u"good.ipa", GoodArchive());

    TZFArchiver arc;
    int afterOpen = 0;
    arc.FAfterOpen = [&](TZFBaseArchiver&) { ++afterOpen; };
    arc.SetFileName(bad);
    EXPECT_EQ(TryOpen([&] { arc.OpenArchive(0); }).nativeError, 40);
    EXPECT_FALSE(arc.Active());
    EXPECT_TRUE(arc.DMHandle);
    EXPECT_FALSE(FileIsFree(bad));
    EXPECT_EQ(afterOpen, 0);

    arc.SetFileName(good);
    EXPECT_TRUE(TryOpen([&] { arc.OpenArchive(0); }).opened);
    EXPECT_TRUE(FileIsFree(bad)) << "the next open released the failed one";
    EXPECT_EQ(afterOpen, 1);
    arc.SetFileName(bad);
    EXPECT_EQ(TryOpen([&] { arc.OpenArchive(0); }).nativeError, 40);
    arc.CloseArchive();
    EXPECT_TRUE(FileIsFree(bad));

    {
        TZFArchiver destroyed;
        destroyed.SetFileName(bad);
        EXPECT_EQ(TryOpen([&] { destroyed.OpenArchive(0); }).nativeError, 40);
    }
    EXPECT_TRUE(FileIsFree(bad)) << "destroying the component released it";
}

TEST(TZFArchiver, OpenWithoutModeTestsForWriteAccess) {
    TempDir dir;
    const auto path = dir.Write(u"a.zip", GoodArchive());
    TZFArchiver arc;
    arc.SetFileName(path);
    arc.OpenArchive();
    EXPECT_EQ(arc.FileOpenMode, 0x22);
    arc.CloseArchive();
    {
        platform::FileStream reader(path, platform::kFmOpenRead | platform::kFmShareDenyWrite);
        arc.OpenArchive();
        EXPECT_EQ(arc.FileOpenMode, 0x40) << "read, deny none when the test open fails";
        EXPECT_TRUE(arc.Active());
        arc.CloseArchive();
    }
    TZFArchiver blank;
    blank.SetFileName(dir.Path());
    EXPECT_EQ(TryOpen([&] { blank.OpenArchive(); }).nativeError, 9);
}

TEST(TZFArchiver, MultiVolumeArchivesAreNotOpened) {
    TempDir dir;
    ZipWriter w;
    w.AddStored("a", "1");
    ZipLayout z = w.Build();
    z.SetU16(z.endRecord + zf::kEndDiskNumber, 1);
    TZFArchiver arc;
    arc.SetFileName(dir.Write(u"part.zip", z.bytes));
    const OpenOutcome outcome = TryOpen([&] { arc.OpenArchive(0); });
    EXPECT_EQ(outcome.nativeError, 44);
    EXPECT_EQ(outcome.message, "Cannot open archive file. Opening aborted or invalid file - Native error: 00044");
}

// Writers that mark every end record field keep the disk number in the zip64
// records; one disk there is an ordinary archive.
TEST(TZFArchiver, MarkedDiskNumberIsReadFromTheZip64Locator) {
    struct Row {
        const char* name;
        bool zip64;
        std::uint32_t disks;
        bool opens;
    };
    const Row rows[] = {
        {"one disk", true, 1, true},
        {"disk count zero", true, 0, true},
        {"two disks", true, 2, false},
        {"no zip64 records", false, 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        ZipWriter w;
        w.AddStored("a", "1");
        if (row.zip64) w.Zip64Records();
        ZipLayout z = w.Build();
        z.SetU16(z.endRecord + zf::kEndDiskNumber, 0xFFFF);
        z.SetU16(z.endRecord + zf::kEndStartDisk, 0xFFFF);
        if (row.zip64) z.SetU32(z.zip64Locator + zf::kLocDisks, row.disks);
        TZFArchiver arc;
        arc.SetFileName(dir.Write(u"marked.zip", z.bytes));
        const OpenOutcome outcome = TryOpen([&] { arc.OpenArchive(0); });
        EXPECT_EQ(outcome.opened, row.opens) << outcome.Describe();
        if (row.opens) {
            EXPECT_EQ(arc.DMHandle->CDir.Count(), 1);
        } else {
            EXPECT_EQ(outcome.nativeError, 44);
        }
    }
}

TEST(TZFArchiver, AnExeWithoutEndRecordGoesOnAsAnOrdinaryFile) {
    TempDir dir;
    TZFArchiver arc;
    arc.SetFileName(dir.Write(u"setup.exe", "MZ no archive"));
    EXPECT_EQ(TryOpen([&] { arc.OpenArchive(0); }).nativeError, 35);
    arc.FOpenCorruptedArchives = false;
    EXPECT_EQ(TryOpen([&] { arc.OpenArchive(0); }).nativeError, 48);
}

TEST(TZFArchiver, OneComponentServesManyArchives) {
    TempDir dir;
    ZipWriter small;
    small.AddStored("only", "1");
    const auto first = dir.Write(u"1.zip", GoodArchive());
    const auto second = dir.Write(u"2.zip", small.Build().bytes);
    TZFArchiver arc;
    arc.SetFileName(first);
    arc.OpenArchive(0);
    EXPECT_EQ(arc.DMHandle->CDir.Count(), 2);
    arc.SetFileName(second);
    arc.OpenArchive(0);
    EXPECT_EQ(arc.DMHandle->CDir.Count(), 1);
    EXPECT_EQ(arc.Comment(), "");
    EXPECT_TRUE(FileIsFree(first));
}

TEST(TZFArchiver, CustomStreamOpenRefusesSpanning) {
    auto stream = StreamOf(GoodArchive());
    TZFArchiver arc;
    arc.FSpanningMode = smSpanning;
    EXPECT_EQ(TryOpen([&] { arc.OpenArchive(*stream, false); }).nativeError, 51);
    arc.FSpanningMode = smNone;
    EXPECT_TRUE(TryOpen([&] { arc.OpenArchive(*stream, false); }).opened);
    EXPECT_TRUE(arc.IsCustomStream);
    arc.CloseArchive();
    EXPECT_EQ(stream->Size(), static_cast<std::int64_t>(GoodArchive().size())) << "a caller's stream is not freed";
}

TEST(IsRemovableDrive, FloppyLettersAlwaysCount) {
    EXPECT_TRUE(IsRemovableDrive(u"a:\\x.zip"));
    EXPECT_TRUE(IsRemovableDrive(u"B:\\x.zip"));
}
