// Discovery from real files: a generated library file in each encoding, read
// from a generated music folder, pointing at a generated package folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>

#include "app/library_discovery.h"
#include "app/media_url_scan.h"
#include "app/package_list.h"
#include "platform/exception.h"
#include "platform/file_system.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text_encodings.h"

using namespace app;
using testing_support::Encoding;
using testing_support::TempDir;

namespace {

// "file://localhost/" and the folder with "/" and spaces escaped, as iTunes writes it.
std::u16string FileUrl(std::u16string_view folder) {
    std::u16string url = u"file://localhost/";
    for (char16_t c : folder) {
        if (c == u'\\') {
            url += u'/';
        } else if (c == u' ') {
            url += u"%20";
        } else {
            url += c;
        }
    }
    return url;
}

std::u16string LibraryXml(std::u16string_view mediaUrl) {
    return u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<plist version=\"1.0\">\r\n<dict>\r\n"
           u"\t<key>Bibliothek f\u00fcr Musik</key><string>Mediathek</string>\r\n"
           u"\t<key>Music Folder</key><string>" +
           std::u16string(mediaUrl) +
           u"</string>\r\n"
           u"</dict>\r\n</plist>\r\n";
}

// A music folder with its library file, and the media folder the library names.
struct Library {
    TempDir dir;
    std::u16string musicFolder = dir.Path() + u"Music";
    std::u16string mediaFolder = dir.Path() + u"Music\\iTunes\\iTunes Media\\";

    void WriteLibrary(std::u16string_view text, Encoding encoding) const {
        dir.Write(u"Music\\iTunes\\iTunes Music Library.xml", testing_support::Encode(text, encoding));
    }
    void AddPackage(std::u16string_view name) const {
        dir.Write(u"Music\\iTunes\\iTunes Media\\Mobile Applications\\" + std::u16string(name), "PK");
    }
    // FormCreate's discovery steps, in order, without the window.
    std::u16string DiscoverMediaFolder() const {
        return MediaFolderFromLibraryText(ReadMediaUrlText(LibraryFilePath(musicFolder)));
    }
};

std::vector<std::u16string> Sorted(std::vector<std::u16string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(LibraryFile, EveryEncodingWithAMarkOrAsciiContentFindsTheMediaFolder) {
    const struct {
        const char* name;
        Encoding encoding;
        bool found;
    } cases[] = {
        {"ANSI", Encoding::Ansi, true},
        {"UTF-8 without mark (read as ANSI)", Encoding::Utf8, true},
        {"UTF-8 with mark", Encoding::Utf8Bom, true},
        {"UTF-16 LE with mark", Encoding::Utf16LeBom, true},
        {"UTF-16 BE with mark", Encoding::Utf16BeBom, true},
        // Read as ANSI, its first NUL byte ends the text before any address.
        {"UTF-16 LE without mark", Encoding::Utf16LeNoBom, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Library library;
        library.WriteLibrary(LibraryXml(FileUrl(library.mediaFolder)), c.encoding);
        EXPECT_EQ(library.DiscoverMediaFolder(), c.found ? library.mediaFolder : u"");
    }
}

TEST(LibraryFile, AddressOfExactlyTheWindowBoundary) {
    // The address part after the prefix: 251 characters still fit with the end marker, 252 do not.
    for (const std::size_t length : {std::size_t{251}, std::size_t{252}}) {
        SCOPED_TRACE(length);
        Library library;
        const std::u16string url = u"file://localhost/D:/" + std::u16string(length - 3, u'm');
        library.WriteLibrary(LibraryXml(url), Encoding::Utf16LeBom);
        const std::u16string expected = length == 251 ? u"D:\\" + std::u16string(length - 3, u'm') : u"";
        EXPECT_EQ(library.DiscoverMediaFolder(), expected);
    }
}

TEST(LibraryFile, PackagesAreListedWithoutExtensionInSearchOrder) {
    Library library;
    library.WriteLibrary(LibraryXml(FileUrl(library.mediaFolder)), Encoding::Utf8Bom);
    library.AddPackage(u"b.ipa");
    library.AddPackage(u"a.ipa");
    library.AddPackage(u"My.App 1.2.ipa");
    library.AddPackage(u"notes.txt");
    library.dir.MakeFolder(u"Music\\iTunes\\iTunes Media\\Mobile Applications\\x.ipa");

    const std::u16string packageFolder = PackageFolder(library.DiscoverMediaFolder());
    EXPECT_EQ(packageFolder, library.mediaFolder + u"Mobile Applications\\");
    const auto names = ListPackageNames(packageFolder);
    EXPECT_EQ(Sorted(names), (std::vector<std::u16string>{u"My.App 1.2", u"a", u"b", u"x"}));

    // Not sorted: the order is the system's directory search order.
    std::vector<std::u16string> searchOrder;
    for (const auto& entry : platform::FindEntries(packageFolder + u"*.ipa")) {
        searchOrder.push_back(NameWithoutExtension(entry.name));
    }
    EXPECT_EQ(names, searchOrder);
}

TEST(LibraryFile, NoPackageFolderGivesNoRows) {
    Library library;
    library.WriteLibrary(LibraryXml(FileUrl(library.mediaFolder)), Encoding::Ansi);
    EXPECT_TRUE(ListPackageNames(PackageFolder(library.DiscoverMediaFolder())).empty());
}

TEST(PackageList, NameWithoutExtension) {
    const struct {
        const char* name;
        std::u16string file;
        std::u16string row;
    } cases[] = {
        {"plain", u"a.ipa", u"a"},
        {"cut before the last dot", u"My.App 1.2.ipa", u"My.App 1.2"},
        {"no dot stays whole", u"noext", u"noext"},
        {"dot first", u".ipa", u""},
        {"trailing dot", u"a.", u"a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(NameWithoutExtension(c.file), c.row);
    }
}

TEST(PackageList, TotalCaption) {
    EXPECT_EQ(TotalCaption(0), u"Total: 0 Apps");
    EXPECT_EQ(TotalCaption(1), u"Total: 1 Apps");
    EXPECT_EQ(TotalCaption(12345), u"Total: 12345 Apps");
}

// Which library file names the media folder, and the default media folder
// taken when there is none.
TEST(LibraryFile, ChoiceOfFileAndDefaultMediaFolder) {
    enum class Age { kAbsent, kOld, kNew };
    const struct {
        const char* name;
        Age musicLibrary;  // "iTunes Music Library.xml", naming D:\older
        Age library;       // "iTunes Library.xml", naming D:\newer
        bool mediaApps;    // "iTunes Media\Mobile Applications" exists
        bool musicApps;    // "iTunes Music\Mobile Applications" exists
        const char16_t* found;  // under the music folder when it starts with a backslash
    } cases[] = {
        {"only the older name", Age::kOld, Age::kAbsent, false, false, u"D:\\older\\"},
        {"only the newer name", Age::kAbsent, Age::kNew, false, false, u"D:\\newer\\"},
        {"newer name written later", Age::kOld, Age::kNew, false, false, u"D:\\newer\\"},
        {"older name written later", Age::kNew, Age::kOld, false, false, u"D:\\older\\"},
        {"a library file wins over the default folder", Age::kOld, Age::kAbsent, true, true, u"D:\\older\\"},
        {"no library file: iTunes Media", Age::kAbsent, Age::kAbsent, true, true, u"\\iTunes\\iTunes Media\\"},
        {"no library file: iTunes Music", Age::kAbsent, Age::kAbsent, false, true, u"\\iTunes\\iTunes Music\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Library library;
        const auto write = [&](std::u16string_view file, Age age, std::u16string_view folder) {
            if (age == Age::kAbsent) return;
            const std::u16string path = library.dir.Write(u"Music\\iTunes\\" + std::u16string(file),
                                                          testing_support::Encode(LibraryXml(FileUrl(folder)),
                                                                                  Encoding::Utf8Bom));
            testing_support::SetFileAge(path, std::chrono::hours(age == Age::kOld ? 48 : 1));
        };
        write(u"iTunes Music Library.xml", c.musicLibrary, u"D:\\older\\");
        write(u"iTunes Library.xml", c.library, u"D:\\newer\\");
        if (c.mediaApps) library.dir.MakeFolder(u"Music\\iTunes\\iTunes Media\\Mobile Applications");
        if (c.musicApps) library.dir.MakeFolder(u"Music\\iTunes\\iTunes Music\\Mobile Applications");
        const std::u16string found(c.found);
        EXPECT_EQ(FindMediaFolder(library.musicFolder), found[0] == u'\\' ? library.musicFolder + found : found);
    }
}

// Without either library file and without a default media folder that holds
// packages, the older file is read as always: its open error passes. A library
// file that exists but cannot be read is never passed over for a default folder.
TEST(LibraryFile, NoFileAndNoDefaultFolderRaisesTheOpenError) {
    Library library;
    library.dir.MakeFolder(u"Music\\iTunes\\iTunes Media");  // no "Mobile Applications" in it
    try {
        FindMediaFolder(library.musicFolder);
        ADD_FAILURE() << "no error raised";
    } catch (const platform::Exception& e) {
        EXPECT_NE(e.Message().find(LibraryFilePath(library.musicFolder)), std::u16string::npos);
    }
}

TEST(ConverterPath, The32BitCommonFilesWhenOnlyTheyHoldTheConverter) {
    TempDir dir;
    const std::u16string common = dir.Path() + u"Common Files";
    const std::u16string common32 = dir.Path() + u"Common Files (x86)";
    const std::u16string place = u"\\Apple\\Apple Application Support\\plutil.exe";
    EXPECT_EQ(FindConverterPath(common, common32), common + place);  // neither: the first place, as always
    EXPECT_EQ(FindConverterPath(common, std::nullopt), common + place);
    dir.Write(u"Common Files (x86)" + place, "MZ");
    EXPECT_EQ(FindConverterPath(common, common32), common32 + place);
    EXPECT_EQ(FindConverterPath(std::nullopt, common32), common32 + place);
    dir.Write(u"Common Files" + place, "MZ");
    EXPECT_EQ(FindConverterPath(common, common32), common + place);
}
