// The directory as loaded (names kept, records decoded when asked for) held
// against the plain road that decodes every record up front, on many generated
// directories: ASCII and other names, case variants, Unicode Path and Unicode
// name blocks, zip64 and AES blocks, comments, stubs, zip64 records, and
// damaged bytes. Both roads must open or fail alike and give the same items,
// lookups and search hits.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "archive/archiver.h"
#include "archive/dir_manager.h"
#include "archive/errors.h"
#include "archive/name_store.h"
#include "platform/exception.h"
#include "tests/archive/archive_test_support.h"
#include "tests/support/zip_writer.h"

using namespace archive;
using namespace archive_tests;
using namespace testing_support;

namespace {

std::string PickName(std::mt19937& rng, const std::vector<std::string>& earlier) {
    static const char* const kParts[] = {"Payload/", "App.app/", "Assets/", "readme.TXT", "a", "B", "@x", "`x",
                                         "i_00001.png", "\xC3\xA4", "\xE2\x82\xAC", "\x81\x94", "\xFF", "dir/"};
    if (!earlier.empty() && rng() % 5 == 0) {  // the same name again, in other ASCII case
        std::string name = earlier[rng() % earlier.size()];
        for (char& c : name) {
            if (rng() % 2 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        }
        return name;
    }
    std::string name;
    for (int k = 1 + static_cast<int>(rng() % 4); k > 0; --k) name += kParts[rng() % std::size(kParts)];
    if (rng() % 40 == 0) name += std::string(1, '\0') + "z";
    if (rng() % 60 == 0) name.clear();
    return name;
}

// A Unicode Path block for `stored`: its CRC-32 right or stale, the name UTF-8 or not.
std::string UnicodePathBlock(std::mt19937& rng, const std::string& stored) {
    const std::uint32_t crc = rng() % 4 == 0 ? Crc32(stored) ^ 1 : Crc32(stored);
    const std::string name = rng() % 5 == 0 ? std::string("bad\xC3") : "u/" + std::to_string(rng() % 9) + "\xC3\xB6";
    return ExtraBlock(kUnicodePathExtraId, std::string(1, '\1') + Le32(crc) + name);
}

std::string UnicodeNameBlock(std::mt19937& rng) {
    std::u16string name = u"N\u00FC";
    name += static_cast<char16_t>(u'a' + rng() % 3);
    if (rng() % 4 == 0) name.clear();
    std::string units;
    for (char16_t unit : name) units += Le16(unit);
    const std::uint32_t count = rng() % 6 == 0 ? 40 : static_cast<std::uint32_t>(name.size());  // 40: too short
    return ExtraBlock(kUnicodeNameExtraId, Le32(0x5843554E) + Le32(count) + units);
}

std::string AesBlock(std::mt19937& rng) {
    return ExtraBlock(kAesExtraId, Le16(2) + "AE" + std::string(1, static_cast<char>(rng() % 5)) + Le16(8));
}

std::string CentralExtra(std::mt19937& rng, const std::string& stored) {
    std::string extra;
    for (int k = static_cast<int>(rng() % 4); k > 0; --k) {
        switch (rng() % 6) {
        case 0:
            extra += UnicodePathBlock(rng, stored);
            break;
        case 1:
            extra += UnicodeNameBlock(rng);
            break;
        case 2:
            extra += AesBlock(rng);
            break;
        case 3:
            extra += ExtraBlock(kZip64ExtraId, Le64(rng() % 100000) + Le64(rng() % 1000));
            break;
        case 4:
            extra += ExtraBlock(0x7777, std::string(rng() % 9, 'x'));
            break;
        default:
            extra += std::string(1 + rng() % 3, '\x01');  // a remainder too short for a block
            break;
        }
    }
    return extra;
}

std::string MakeArchive(std::mt19937& rng) {
    ZipWriter w;
    std::vector<std::string> names;
    const int members = static_cast<int>(rng() % (rng() % 8 == 0 ? 400 : 40));
    for (int i = 0; i < members; ++i) {
        ZipMember m;
        m.name = PickName(rng, names);
        names.push_back(m.name);
        m.data = std::string(rng() % 50, static_cast<char>('a' + i % 26));
        m.method = rng() % 3 == 0 ? 8 : 0;
        if (rng() % 4 == 0) m.flags |= 0x0800;
        if (rng() % 10 == 0) m.flags |= 0x0001;
        if (rng() % 3 == 0) m.centralExtra = CentralExtra(rng, m.name);
        if (rng() % 5 == 0) m.comment = "c" + std::to_string(i);
        m.zip64 = rng() % 7 == 0;
        if (rng() % 9 == 0) m.externalAttr = 0x10;
        w.Add(m);
    }
    if (rng() % 5 == 0) w.Stub(std::string(1 + rng() % 300, 's'), rng() % 2 == 0);
    if (rng() % 5 == 0) w.Zip64Records(rng() % 2 == 0);
    ZipLayout z = w.Build();
    // Damage: a few bytes of the directory and the records behind it changed.
    if (rng() % 3 == 0 && z.bytes.size() > static_cast<std::size_t>(z.centralDirStart)) {
        const auto span = z.bytes.size() - static_cast<std::size_t>(z.centralDirStart);
        for (int k = 1 + static_cast<int>(rng() % 3); k > 0; --k) {
            const std::size_t at = static_cast<std::size_t>(z.centralDirStart) + rng() % span;
            z.bytes[at] = static_cast<char>(rng() % 4 == 0 ? 0xFF : rng());
        }
    }
    if (rng() % 15 == 0) z.bytes.resize(z.bytes.size() - rng() % (z.bytes.size() / 2 + 1));
    return z.bytes;
}

struct Loaded {
    std::unique_ptr<platform::MemoryStream> stream;
    std::unique_ptr<TZFArchiver> arc;  // for the options only
    std::unique_ptr<TZFDirManager> dm;
    OpenOutcome outcome;
};

Loaded Load(const std::string& bytes, bool eager, bool strict, bool oemNames) {
    Loaded l;
    l.stream = StreamOf(bytes);
    l.arc = std::make_unique<TZFArchiver>();
    l.arc->FOpenCorruptedArchives = !strict;
    l.arc->FOptions.FOEMFileNames = oemNames;
    l.dm = std::make_unique<TZFDirManager>(l.stream.get(), false, l.arc.get());
    l.dm->LoadItemsEagerly = eager;
    l.outcome = TryOpen([&] { l.dm->LoadDir(); });
    return l;
}

// Every field of the central header, as one line.
std::string Fields(const TZFZipCentralDir& cd) {
    std::string text;
    for (const std::uint64_t value :
         {std::uint64_t{cd.signature}, std::uint64_t{cd.versionMadeBy}, std::uint64_t{cd.extractVersion},
          std::uint64_t{cd.genPurposeFlag}, std::uint64_t{cd.compMethod}, std::uint64_t{cd.lastModTime},
          std::uint64_t{cd.lastModDate}, std::uint64_t{cd.crc32}, std::uint64_t{cd.compSize},
          std::uint64_t{cd.unCompSize}, std::uint64_t{cd.nameLength}, std::uint64_t{cd.extraLength},
          std::uint64_t{cd.commentLength}, std::uint64_t{cd.diskNumberStart}, std::uint64_t{cd.internalAttr},
          std::uint64_t{cd.externalAttr}, std::uint64_t{cd.relOffsetLH}}) {
        text += std::to_string(value) + " ";
    }
    return text;
}

void ExpectSameItem(const TDirItem& a, const TDirItem& b) {
    EXPECT_EQ(Fields(a.CentralDir), Fields(b.CentralDir));
    EXPECT_EQ(a.Name(), b.Name());
    EXPECT_EQ(a.Position, b.Position);
    EXPECT_EQ(a.ExtraLength, b.ExtraLength);
    EXPECT_EQ(a.CommentLength, b.CommentLength);
    const auto extraA = a.ExtraFields().Bytes(), extraB = b.ExtraFields().Bytes();
    EXPECT_EQ(std::string(extraA.begin(), extraA.end()), std::string(extraB.begin(), extraB.end()));
    EXPECT_EQ(a.Comment(), b.Comment());
    EXPECT_EQ(a.CompressionMethod, b.CompressionMethod);
    EXPECT_EQ(a.ZFEncryptionAlgorithm, b.ZFEncryptionAlgorithm);
    EXPECT_EQ(a.bHugeFile, b.bHugeFile);
    const TZFZip64ExtendedInfo& za = a.Zip64ExtInfo();
    const TZFZip64ExtendedInfo& zb = b.Zip64ExtInfo();
    EXPECT_EQ(za.uncompSize, zb.uncompSize);
    EXPECT_EQ(za.compSize, zb.compSize);
    EXPECT_EQ(za.relOffsetLH, zb.relOffsetLH);
    EXPECT_EQ(za.diskNumberStart, zb.diskNumberStart);
    EXPECT_EQ(za.given, zb.given);
    EXPECT_EQ(a.CompressedSize(), b.CompressedSize());
    EXPECT_EQ(a.UncompressedSize(), b.UncompressedSize());
    EXPECT_EQ(a.LocalHeaderOffset(), b.LocalHeaderOffset());
}

// Every item's name, a case variant of it, the empty name and a missing one,
// looked up more often than the first lookups that scan the names.
void ExpectSameLookups(TZFDirArray& lazy, TZFDirArray& eager) {
    std::vector<std::u16string> names = {u"", u"missing", u"PAYLOAD/"};
    for (std::int32_t i = 0; i < eager.Count(); ++i) {
        std::u16string name(eager.ItemRef(i).Name());
        names.push_back(name);
        for (char16_t& unit : name) {
            if (unit >= u'a' && unit <= u'z') unit = static_cast<char16_t>(unit - 32);
        }
        names.push_back(name);
    }
    for (int round = 0; round < 2; ++round) {
        for (const std::u16string& name : names) {
            std::int32_t a = -2, b = -2;
            EXPECT_EQ(lazy.FileExists(name, a), eager.FileExists(name, b));
            EXPECT_EQ(a, b);
        }
    }
}

void ExpectSameDirectories(Loaded& lazy, Loaded& eager) {
    ASSERT_EQ(lazy.outcome.opened, eager.outcome.opened) << lazy.outcome.Describe() << " / " << eager.outcome.Describe();
    EXPECT_EQ(lazy.outcome.nativeError, eager.outcome.nativeError);
    EXPECT_EQ(lazy.outcome.readError, eager.outcome.readError);
    EXPECT_EQ(lazy.outcome.message, eager.outcome.message);
    TZFDirArray& a = lazy.dm->CDir;
    TZFDirArray& b = eager.dm->CDir;
    ASSERT_EQ(a.Count(), b.Count());
    EXPECT_EQ(lazy.dm->StubSize, eager.dm->StubSize);
    EXPECT_EQ(lazy.dm->CentralDirOffset, eager.dm->CentralDirOffset);
    EXPECT_EQ(lazy.dm->FZip64, eager.dm->FZip64);
    // From the last item down: a record decoded out of order reads the same.
    for (std::int32_t i = a.Count(); i-- > 0;) {
        SCOPED_TRACE("item " + std::to_string(i));
        ExpectSameItem(a.ItemRef(i), b.ItemRef(i));
    }
    if (lazy.outcome.opened) ExpectSameLookups(a, b);
}

// Every hit of a search with `mask`, with Recurse on or off.
std::vector<std::string> SearchHits(TZFArchiver& arc, std::u16string_view mask, bool recurse) {
    arc.FOptions.FRecurse = recurse;
    std::vector<std::string> hits;
    TZFArchiveItem item;
    for (bool found = arc.FindFirst(mask, item, 0xFFFF, u""); found; found = arc.FindNext(item)) {
        hits.push_back(std::to_string(item.Handle.ItemNo) + " " + std::string(item.StoredPath.begin(), item.StoredPath.end()) +
                       "|" + std::string(item.FileName.begin(), item.FileName.end()) + "|" +
                       std::to_string(item.CompressedSize) + "|" + std::to_string(item.UncompressedSize) + "|" +
                       std::to_string(item.CRC) + "|" + std::to_string(item.ExternalFileAttributes) + "|" + item.Comment);
    }
    return hits;
}

TEST(LoadedDirectory, AgreesWithThePlainLoadOnGeneratedDirectories) {
    std::mt19937 rng(2024);
    int opened = 0, failed = 0, loaded = 0;
    for (int round = 0; round < 600; ++round) {
        const std::string bytes = MakeArchive(rng);
        const bool strict = rng() % 2 == 0;
        const bool oemNames = rng() % 4 != 0;
        SCOPED_TRACE("round " + std::to_string(round) + (strict ? " strict" : ""));
        Loaded lazy = Load(bytes, false, strict, oemNames);
        Loaded eager = Load(bytes, true, strict, oemNames);
        ASSERT_NO_FATAL_FAILURE(ExpectSameDirectories(lazy, eager));
        (lazy.outcome.opened ? opened : failed) += 1;
        if (lazy.dm->CDir.IsLoaded()) ++loaded;
    }
    EXPECT_GT(opened, 100) << "enough directories load";
    EXPECT_GT(failed, 10) << "and enough fail";
    EXPECT_GT(loaded, 100) << "most through the loaded road, not the recovery road";
}

// The search walks the records in directory order; an open archive with the
// plain directory put in place of its own finds the same hits.
TEST(LoadedDirectory, SearchFindsTheSameHits) {
    std::mt19937 rng(77);
    for (int round = 0; round < 150; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const std::string bytes = MakeArchive(rng);
        MemoryArchive lazy(bytes);
        MemoryArchive eager(bytes);
        ASSERT_EQ(lazy.outcome.opened, eager.outcome.opened);
        if (!lazy.outcome.opened) continue;
        eager.arc.DMHandle = std::make_unique<TZFDirManager>(eager.arc.FCompressedStream, false, &eager.arc);
        eager.arc.DMHandle->LoadItemsEagerly = true;
        eager.arc.DMHandle->LoadDir();
        for (const std::u16string mask : {u"*", u"*.png", u"payload\\*", u"Payload/App.app/*", u"readme.txt"}) {
            for (const bool recurse : {true, false}) {
                EXPECT_EQ(SearchHits(lazy.arc, mask, recurse), SearchHits(eager.arc, mask, recurse));
            }
        }
    }
}

// The names of a group may run from one block of the store into the next: a
// store of long names, both kinds, each read back where it was put.
TEST(NameStore, NamesReadBackAcrossBlocks) {
    NameStore store;
    std::vector<std::u16string> names;
    std::mt19937 rng(5);
    for (int i = 0; i < 3000; ++i) {
        std::u16string name(rng() % 700, static_cast<char16_t>(u'a' + i % 26));
        if (i % 3 == 0 && !name.empty()) name[0] = u'\u00E9';
        if (i % 500 == 7) name.assign(NameStore::kMaxLength, u'\u20AC');
        names.push_back(name);
        store.Append(name);
    }
    ASSERT_EQ(store.Count(), 3000);
    for (std::int32_t i = 0; i < store.Count(); ++i) {
        const NameView kept = store.NameOf(i);
        ASSERT_EQ(kept.length, names[static_cast<std::size_t>(i)].size()) << i;
        ASSERT_TRUE(EqualFolded(kept, names[static_cast<std::size_t>(i)])) << i;
        ASSERT_EQ(kept.wide, (i % 3 == 0 && !names[static_cast<std::size_t>(i)].empty()) || i % 500 == 7) << i;
        ASSERT_EQ(HashFolded(kept), HashFolded(names[static_cast<std::size_t>(i)])) << i;
    }
    for (const std::int32_t last : {2999, 1500, 17, 0}) {
        for (const std::size_t wanted : {std::size_t{0}, std::size_t{7}, std::size_t{1234}}) {
            std::int32_t expected = -1;
            for (std::int32_t i = last; i >= 3 && expected < 0; --i) {
                if (names[static_cast<std::size_t>(i)] == names[wanted]) expected = i;
            }
            EXPECT_EQ(store.FindDown(3, last, names[wanted]), expected) << last << " " << wanted;
        }
    }
}

}  // namespace
