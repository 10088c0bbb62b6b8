#include "app/library_discovery.h"
#include "app/media_url_scan.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/package_list.h"
#include "app/url_decode.h"
#include "platform/codepage.h"
#include "platform/exception.h"
#include "platform/strings.h"
#include "tests/support/temp_dir.h"

using namespace app;
using testing_support::TempDir;

namespace {

// A library file's text around the media-folder address, as iTunes writes it.
std::u16string LibraryText(std::u16string_view url) {
    return u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           u"<plist version=\"1.0\">\n<dict>\n"
           u"\t<key>Application Version</key><string>12.13</string>\n"
           u"\t<key>Bibliothek f\u00fcr Musik</key><string>Mediathek</string>\n"
           u"\t<key>Music Folder</key><string>" +
           std::u16string(url) +
           u"</string>\n"
           u"</dict>\n</plist>\n";
}

std::u16string Repeat(char16_t c, std::size_t count) { return std::u16string(count, c); }

}  // namespace

TEST(MediaFolderFromLibraryText, Table) {
    const struct {
        const char* name;
        std::u16string text;
        std::u16string folder;
    } cases[] = {
        {"example address", LibraryText(u"file://localhost/D:/Users/user/Music/iTunes/iTunes%20Media/"),
         u"D:\\Users\\user\\Music\\iTunes\\iTunes Media\\"},
        {"no address", LibraryText(u"http://example.com/"), u""},
        {"prefix is case-sensitive", LibraryText(u"FILE://localhost/D:/M/"), u""},
        {"end marker is case-sensitive", u"file://localhost/D:/M/</STRING>", u""},
        {"plus and %20 both give a space", LibraryText(u"file://localhost/D:/A+B/C%20D/"), u"D:\\A B\\C D\\"},
        {"%2F ends up as a backslash", LibraryText(u"file://localhost/D:/a%2Fb"), u"D:\\a\\b"},
        {"no trailing slash", LibraryText(u"file://localhost/D:/Media"), u"D:\\Media"},
        {"XML entity stays as written", LibraryText(u"file://localhost/D:/Tom%20&amp;%20Jerry/"),
         u"D:\\Tom &amp; Jerry\\"},
        {"only the first address counts",
         u"file://localhost/C:/first/</string>\r\nfile://localhost/D:/second/</string>", u"C:\\first\\"},
        {"first address counts wherever it stands", u"<a>file://localhost/E:/x</string>\r\n", u"E:\\x"},
        {"empty folder text", u"file://localhost/</string>", u""},
        {"end marker after a line break", u"file://localhost/D:/a\r\n</string>", u"D:\\a\r\n"},
        {"escaped UTF-8 reads as UTF-8", u"file://localhost/D:/caf%C3%A9</string>", u"D:\\caf\u00e9"},
        {"ANSI character in the address survives", u"file://localhost/D:/M\u00fcsik</string>", u"D:\\M\u00fcsik"},
        {"escaped ANSI byte", u"file://localhost/D:/M%FCsik</string>", u"D:\\M\u00fcsik"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MediaFolderFromLibraryText(c.text), c.folder);
    }
}

// The folder and its end marker must fit the 260 characters after the prefix.
TEST(MediaFolderFromLibraryText, WindowBoundary) {
    const std::u16string fits = Repeat(u'a', 251);
    EXPECT_EQ(MediaFolderFromLibraryText(u"file://localhost/" + fits + u"</string>\r\n"), fits);
    EXPECT_EQ(MediaFolderFromLibraryText(u"file://localhost/" + Repeat(u'a', 252) + u"</string>\r\n"), u"");
    // A second, complete marker beyond the window does not help.
    EXPECT_EQ(MediaFolderFromLibraryText(u"file://localhost/" + Repeat(u'a', 255) + u"</string>" + Repeat(u'b', 300) +
                                         u"</string>"),
              u"");
    // The window counts the characters after the prefix, not after the text's start.
    EXPECT_EQ(MediaFolderFromLibraryText(Repeat(u'x', 1000) + u"file://localhost/" + fits + u"</string>"), fits);
}

TEST(MediaFolderFromLibraryText, DecodingErrorsPassThroughWithTheirPositions) {
    const struct {
        const char* name;
        std::u16string text;
        std::u16string message;
    } cases[] = {
        {"truncated escape at the end of the folder", u"file://localhost/ab%4</string>",
         u"Fehler beim Decodieren eines im URL-Stil (%XX) codierten Strings bei Position 3"},
        {"invalid escape", u"file://localhost/D:/%G1/</string>",
         u"Ung\u00fcltiger URL-codiertes Zeichen (%G1) bei Position 4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            MediaFolderFromLibraryText(c.text);
            ADD_FAILURE() << "no error raised";
        } catch (const EUrlDecodeError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
    }
}

TEST(PackageFolder, ExactlyOneBackslashBeforeTheSubfolder) {
    EXPECT_EQ(PackageFolder(u"D:\\Media"), u"D:\\Media\\Mobile Applications\\");
    EXPECT_EQ(PackageFolder(u"D:\\Media\\"), u"D:\\Media\\Mobile Applications\\");
}

TEST(RunWideFolders, TempFolder) {
    const std::u16string longest = u"C:\\" + Repeat(u't', 255) + u"\\";  // 259 characters
    ASSERT_EQ(longest.size(), 259u);
    const struct {
        const char* name;
        std::u16string system;
        std::u16string folder;
    } cases[] = {
        {"as reported", u"C:\\Temp\\", u"C:\\Temp\\"},
        {"backslash added", u"C:\\Temp", u"C:\\Temp\\"},
        {"none reported", u"", u"\\"},
        {"259 characters fit", longest, longest},
        {"260 characters count as none", longest + u"x", u"\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TempFolderFrom(c.system), c.folder);
    }
}

TEST(RunWideFolders, ConverterPath) {
    EXPECT_EQ(ConverterPathFrom(u"C:\\Program Files\\Common Files"),
              u"C:\\Program Files\\Common Files\\Apple\\Apple Application Support\\plutil.exe");
    EXPECT_EQ(ConverterPathFrom(u"C:\\Common\\"), u"C:\\Common\\Apple\\Apple Application Support\\plutil.exe");
    EXPECT_EQ(ConverterPathFrom(std::nullopt), u"\\Apple\\Apple Application Support\\plutil.exe");
    EXPECT_EQ(ConverterPathFrom(u""), u"\\Apple\\Apple Application Support\\plutil.exe");
}

TEST(RunWideFolders, LibraryFile) {
    EXPECT_EQ(LibraryFilePath(u"C:\\Users\\u\\Music"), u"C:\\Users\\u\\Music\\iTunes\\iTunes Music Library.xml");
    EXPECT_EQ(LibraryFilePath(u""), u"\\iTunes\\iTunes Music Library.xml");
}

TEST(ReadMediaUrlText, MissingFileRaisesTheOpenError) {
    TempDir dir;
    const std::u16string path = LibraryFilePath(dir.Path() + u"Music");
    try {
        ReadMediaUrlText(path);
        ADD_FAILURE() << "no error raised";
    } catch (const platform::EFOpenError& e) {
        EXPECT_EQ(e.Message().rfind(u"Datei " + path + u" kann nicht ge\u00f6ffnet werden. ", 0), 0u);
    }
}

// Both readings of an address: the ANSI one as always, the UTF-8 one only for
// escapes that make valid UTF-8 with a byte above 0x7F.
TEST(ReadMediaUrl, AnsiAndUtf8Readings) {
    const struct {
        const char* name;
        std::u16string url;
        std::u16string ansi;
        std::u16string utf8;
    } cases[] = {
        {"ASCII only: no UTF-8 reading", u"C:/Users/user/Music/iTunes/iTunes%20Media/",
         u"C:\\Users\\user\\Music\\iTunes\\iTunes Media\\", u""},
        {"user folder with an umlaut", u"C:/Users/J%C3%BCrgen/Music/iTunes/iTunes%20Media/",
         u"C:\\Users\\J\u00c3\u00bcrgen\\Music\\iTunes\\iTunes Media\\",
         u"C:\\Users\\J\u00fcrgen\\Music\\iTunes\\iTunes Media\\"},
        {"Japanese user folder outside the ANSI code page", u"C:/Users/%E8%81%A1%E6%B1%B0/Music/",
         u"C:\\Users\\\u00e8\u0081\u00a1\u00e6\u00b1\u00b0\\Music\\", u"C:\\Users\\\u8061\u6c70\\Music\\"},
        {"escapes in either case", u"D:/%c3%a9%C3%A9", u"D:\\\u00c3\u00a9\u00c3\u00a9", u"D:\\\u00e9\u00e9"},
        {"escaped ANSI byte is not UTF-8", u"C:/Users/J%FCrgen/", u"C:\\Users\\J\u00fcrgen\\", u""},
        {"UTF-8 escape beside an ANSI-only escape", u"D:/%C3%A9/%E9/", u"D:\\\u00c3\u00a9\\\u00e9\\", u""},
        {"cut UTF-8 sequence", u"D:/caf%C3", u"D:\\caf\u00c3", u""},
        {"overlong form is not UTF-8", u"D:/%C0%AF", u"D:\\\u00c0\u00af", u""},
        {"plain character beside a UTF-8 escape", u"D:/M\u00fcsik/%E2%82%AC", u"D:\\M\u00fcsik\\\u00e2\u201a\u00ac",
         u"D:\\M\u00fcsik\\\u20ac"},
        {"plain character alone", u"D:/M\u00fcsik/", u"D:\\M\u00fcsik\\", u"D:\\M\u00fcsik\\"},
        {"network share in both readings", u"/server/J%C3%BCrgen/iTunes%20Media/",
         u"\\\\server\\J\u00c3\u00bcrgen\\iTunes Media\\", u"\\\\server\\J\u00fcrgen\\iTunes Media\\"},
        {"network share from an escaped slash", u"%2Fserver/share/", u"\\\\server\\share\\", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const MediaUrlReadings readings = ReadMediaUrl(LibraryText(u"file://localhost/" + c.url), true);
        EXPECT_EQ(readings.ansi, c.ansi);
        EXPECT_EQ(readings.utf8, c.utf8);
    }
}

// A malformed escape fails on either road, its position counted in the ANSI
// reading's bytes (one byte for the character before it, not two).
TEST(ReadMediaUrl, MalformedEscapeAfterANonAsciiCharacter) {
    const struct {
        std::u16string url;
        std::u16string position;
    } cases[] = {
        {u"file://localhost/D:/\u00fc%G1</string>", u"5"},
        {u"file://localhost/%C3%BC%G1</string>", u"7"},
    };
    for (const auto& c : cases) {
        try {
            ReadMediaUrl(c.url, true);
            ADD_FAILURE() << "no error raised";
        } catch (const EUrlDecodeError& e) {
            EXPECT_EQ(e.Message(), u"Ung\u00fcltiger URL-codiertes Zeichen (%G1) bei Position " + c.position);
        }
    }
}

TEST(ChooseMediaFolder, TheUtf8ReadingUnlessOnlyTheAnsiOneExists) {
    static std::u16string existing;
    const auto exists = [](std::u16string_view folder) { return folder == existing; };
    const MediaUrlReadings both{u"C:\\J\u00c3\u00bcrgen\\", u"C:\\J\u00fcrgen\\"};
    const struct {
        const char* name;
        MediaUrlReadings readings;
        std::u16string existing;
        std::u16string chosen;
    } cases[] = {
        {"no UTF-8 reading", {u"C:\\M\\", u""}, u"", u"C:\\M\\"},
        {"neither exists", both, u"", both.utf8},
        {"UTF-8 folder exists", both, both.utf8, both.utf8},
        {"only the ANSI folder exists", both, both.ansi, both.ansi},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        existing = c.existing;
        EXPECT_EQ(ChooseMediaFolder(c.readings, exists), c.chosen);
    }
}

TEST(FolderFromUrlPath, NetworkShareForm) {
    const struct {
        std::u16string path;
        std::u16string folder;
    } cases[] = {
        {u"/server/share/iTunes/iTunes Media/", u"\\\\server\\share\\iTunes\\iTunes Media\\"},
        {u"/server/", u"\\\\server\\"},
        {u"C:/Users/user/", u"C:\\Users\\user\\"},
        {u"/server", u"\\server"},             // no second slash: a folder on the current drive
        {u"//server/share/", u"\\\\server\\share\\"},  // two slashes stay two
        {u"/C:/Users/", u"\\C:\\Users\\"},      // a drive is no server name
        {u"/a\\b/c", u"\\a\\b\\c"},             // nor is a name with a backslash
        {u"/", u"\\"},
        {u"", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(platform::WideToUtf8(c.path));
        EXPECT_EQ(FolderFromUrlPath(c.path, true), c.folder);
        // Without network shares (the POSIX layer) every path is only "/" replaced.
        std::u16string plain = c.path;
        std::replace(plain.begin(), plain.end(), u'/', u'\\');
        EXPECT_EQ(FolderFromUrlPath(c.path, false), plain);
    }
}
