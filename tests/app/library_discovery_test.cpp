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
        {"escaped UTF-8 reads as ANSI characters", u"file://localhost/D:/caf%C3%A9</string>", u"D:\\caf\u00c3\u00a9"},
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
