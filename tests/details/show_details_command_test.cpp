#include "details/show_details_command.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "details/catalogue_request.h"
#include "details/metadata_extraction.h"
#include "tests/support/helper_programs.h"
#include "platform/strings.h"
#include "tests/support/scoped_variable.h"
#include "tests/support/temp_dir.h"
#include "tests/support/bplist_writer.h"
#include "tests/support/zip_writer.h"
#include "service/http/http_server.h"

using details::ShowDetailsFolders;
using testing_support::ReadFileBytes;
using testing_support::ScopedVariable;
using testing_support::TempDir;
using testing_support::ZipWriter;

namespace {

std::string XmlMetadata(const std::string& itemId) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
           "\t<key>bundleDisplayName</key>\n\t<string>App</string>\n"
           "\t<key>itemId</key>\n\t<integer>" +
           itemId + "</integer>\n</dict>\n</plist>\n";
}

// XML metadata of exactly `size` bytes: the identifier at the top, then padding.
std::string PaddedMetadata(const std::string& itemId, std::int64_t size) {
    std::string xml = XmlMetadata(itemId);
    const std::string line = "\t<!-- padding -->\n";
    xml.reserve(static_cast<std::size_t>(size));
    while (static_cast<std::int64_t>(xml.size() + line.size()) <= size) xml += line;
    xml.append(static_cast<std::size_t>(size) - xml.size(), '\n');
    return xml;
}

// The main window as the command sees it, recording what the command did to it.
class FakeView : public details::ShowDetailsView {
public:
    std::vector<std::u16string> rows;
    std::set<int> selected;
    std::vector<std::u16string> captions;
    std::vector<bool> enabledStates;
    std::vector<std::u16string> opened;
    std::u16string showDetailsText = u"Show details";
    std::function<void(int)> onRowVisited;  // runs when the command asks about a row

    int RowCount() override { return static_cast<int>(rows.size()); }
    std::u16string RowText(int row) override { return rows.at(static_cast<std::size_t>(row)); }
    bool RowSelected(int row) override {
        if (onRowVisited) onRowVisited(row);
        return selected.count(row) != 0;
    }
    void SetButtonCaption(std::u16string_view caption) override { captions.emplace_back(caption); }
    void SetButtonEnabled(bool enabled) override { enabledStates.push_back(enabled); }
    void RepaintButton() override {}
    std::u16string PleaseWaitText() override { return u"Please wait"; }
    std::u16string EllipsisSuffix() override { return u" ..."; }
    std::u16string ShowDetailsText() override { return showDetailsText; }
    void OpenAddress(std::u16string_view address) override { opened.emplace_back(address); }
};

// Packages in a media folder, the catalogue service standing as the proxy the
// environment names, and no converter installed.
class ShowDetailsCommandTest : public ::testing::Test {
protected:
    // One proxy address for the whole process: WinInet reads http_proxy only once.
    void SetUp() override {
        static std::uint16_t port = 0;
        StartService(port);
        port = server_->Port();
        static const testing_support::WithoutMachineProxy machineProxyAside;
        static const ScopedVariable proxy("http_proxy", "http://127.0.0.1:" + std::to_string(port));
        folders_.mediaFolder = dir_.MakeFolder(u"Mobile Applications\\");
        folders_.tempFolder = dir_.MakeFolder(u"temp\\");
        folders_.converterPath = dir_.File(u"missing\\plutil.exe");
    }

    void AddPackage(const std::u16string& name, ZipWriter writer) {
        dir_.Write(u"Mobile Applications\\" + name + u".ipa", writer.Build().bytes);
        view_.rows.push_back(name);
    }
    void AddPackageWithId(const std::u16string& name, const std::string& itemId) {
        AddPackage(name, std::move(ZipWriter().AddDeflated("iTunesMetadata.plist", XmlMetadata(itemId))));
    }

    void AddBuiltPackage(const std::u16string& name, const testing_support::ZipLayout& layout) {
        dir_.Write(u"Mobile Applications\\" + name + u".ipa", layout.bytes);
        view_.rows.push_back(name);
    }

    void Run() { details::UploadButtonClick(view_, folders_); }

    // The dataset the service received with the one request of the run.
    std::vector<std::string> Datasets() {
        std::lock_guard lock(mutex_);
        return datasets_;
    }
    void Answer(std::string body) {
        std::lock_guard lock(mutex_);
        answer_ = std::move(body);
    }
    void StopService() { server_.reset(); }
    std::string ReplyFileBytes() { return ReadFileBytes(details::ReplyFile(folders_.tempFolder)); }

    TempDir dir_;
    ShowDetailsFolders folders_;
    FakeView view_;

private:
    void StartService(std::uint16_t port) {
        httpd::ServerOptions options;
        options.port = port;
        server_ = std::make_unique<httpd::Server>([this](const httpd::Request& r) { return Serve(r); }, options);
        server_->Start();
    }

    httpd::Response Serve(const httpd::Request& request) {
        std::lock_guard lock(mutex_);
        const std::string prefix = "dataset=";
        if (request.path == "/input/submit.php" && request.query.rfind(prefix, 0) == 0) {
            datasets_.push_back(request.query.substr(prefix.size()));
        }
        return httpd::Response::WithBody(200, "text/plain", answer_);
    }

    std::mutex mutex_;
    std::vector<std::string> datasets_;
    std::string answer_ = "http://catalogue.test/apps/1.html\r\n";
    std::unique_ptr<httpd::Server> server_;
};

}  // namespace

TEST_F(ShowDetailsCommandTest, SelectedPackagesGiveTheirIdentifiersInRowOrder) {
    AddPackageWithId(u"Alpha", "111");
    AddPackage(u"NoMetadata", std::move(ZipWriter().AddStored("Payload/readme.txt", "x")));
    AddPackageWithId(u"Gamma", "333");
    AddPackageWithId(u"Unselected", "444");
    AddPackageWithId(u"Twin", "111");
    view_.selected = {0, 1, 2, 4};
    Run();
    EXPECT_EQ(Datasets(), (std::vector<std::string>{"111,333,111"}));
    EXPECT_EQ(view_.opened, (std::vector<std::u16string>{u"http://catalogue.test/apps/1.html"}));
    EXPECT_EQ(ReadFileBytes(details::MetadataCopy(folders_.tempFolder)), XmlMetadata("111"));
}

TEST_F(ShowDetailsCommandTest, ButtonWorksThenIsRestoredWithTheCurrentLanguage) {
    AddPackageWithId(u"Alpha", "111");
    view_.selected = {0};
    view_.onRowVisited = [this](int) { view_.showDetailsText = u"Zeige Details"; };
    Run();
    ASSERT_EQ(view_.captions.size(), 2u);
    EXPECT_EQ(view_.captions[0], u"Please wait ...");
    EXPECT_EQ(view_.captions[1], u"Zeige Details (" + std::u16string(details::ServiceHost) + u")");
    EXPECT_EQ(view_.enabledStates, (std::vector<bool>{false, true}));
    EXPECT_EQ(Datasets(), (std::vector<std::string>{"111"}));
}

TEST_F(ShowDetailsCommandTest, SelectionIsReadWhenTheLoopReachesTheRow) {
    AddPackageWithId(u"Alpha", "111");
    AddPackageWithId(u"Beta", "222");
    view_.selected = {0};
    view_.onRowVisited = [this](int row) {
        if (row == 0) view_.selected = {1};  // the user changes the selection meanwhile
    };
    Run();
    EXPECT_EQ(Datasets(), (std::vector<std::string>{"222"}));
}

TEST_F(ShowDetailsCommandTest, NoSelectionStillSendsAnEmptyDataset) {
    AddPackageWithId(u"Alpha", "111");
    Run();
    EXPECT_EQ(Datasets(), (std::vector<std::string>{""}));
    EXPECT_EQ(view_.opened.size(), 1u);
}

TEST_F(ShowDetailsCommandTest, BrokenPackagesContributeNothing) {
    AddPackageWithId(u"Good", "111");
    dir_.Write(u"Mobile Applications\\NotAZip.ipa", "this is no archive");
    view_.rows.push_back(u"NotAZip");
    view_.rows.push_back(u"Missing");
    AddPackage(u"KeyOnLastLine", std::move(ZipWriter().AddStored("iTunesMetadata.plist", "<key>itemId</key>")));
    AddPackage(u"Binary", std::move(ZipWriter().AddStored("iTunesMetadata.plist", "bplist00\x01\x02")));
    view_.selected = {0, 1, 2, 3, 4};
    Run();
    EXPECT_EQ(Datasets(), (std::vector<std::string>{"111"}));
}

// Only one web address is ever handed to the shell: the reply travels over plain HTTP.
TEST_F(ShowDetailsCommandTest, RepliesThatAreNoWebAddressAreNotOpened) {
    struct Case {
        const char* name;
        std::string reply;
        std::u16string opened;  // empty: nothing opened
    };
    const Case cases[] = {
        {"two lines stay one text", "http://a.test/x\r\nhttp://b.test/y\r\n", u""},
        {"trailing blanks trimmed", "  https://a.test/page?id=1 \r\n\r\n", u"https://a.test/page?id=1"},
        {"a program", "C:\\Windows\\System32\\calc.exe", u""},
        {"a UNC path", "\\\\server\\share\\x.exe", u""},
        {"a file address", "file:///C:/x.exe", u""},
        {"an empty reply", "", u""},
    };
    AddPackageWithId(u"Alpha", "111");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Answer(c.reply);
        view_.opened.clear();
        Run();
        EXPECT_EQ(ReplyFileBytes(), c.reply);
        if (c.opened.empty()) {
            EXPECT_TRUE(view_.opened.empty());
        } else {
            EXPECT_EQ(view_.opened, (std::vector<std::u16string>{c.opened}));
        }
    }
}

TEST_F(ShowDetailsCommandTest, FailedRequestOpensNothingNotEvenAnOldReply) {
    AddPackageWithId(u"Alpha", "111");
    Run();
    ASSERT_EQ(view_.opened.size(), 1u);
    view_.opened.clear();
    StopService();  // the proxy refuses connections now
    Run();
    EXPECT_TRUE(view_.opened.empty());
    EXPECT_EQ(view_.enabledStates.back(), true);
}

// Metadata past the limit yields no identifier and costs no more than the
// limit; the packages around it are read as usual, in row order.
TEST_F(ShowDetailsCommandTest, MetadataPastTheLimitYieldsNoIdentifier) {
    namespace zipfield = testing_support::zipfield;
    constexpr std::int64_t kLimit = details::kMetadataSizeLimit;
    const auto deflated = [](const std::string& data) {
        return ZipWriter()
            .AddStored("Payload/App.app/Info.plist", "info")
            .AddDeflated("iTunesMetadata.plist", data)
            .Build();
    };
    const auto lyingAbout = [](testing_support::ZipLayout layout, std::uint32_t uncompressedSize) {
        layout.SetU32(layout.centralHeaders[1] + zipfield::kCdUncompSize, uncompressedSize);
        return layout;
    };
    AddPackageWithId(u"Before", "100");
    AddBuiltPackage(u"AtTheLimit", deflated(PaddedMetadata("101", kLimit)));
    AddBuiltPackage(u"OneByteOver", deflated(PaddedMetadata("102", kLimit + 1)));
    AddBuiltPackage(u"DeclaredSmallInflatesPast", lyingAbout(deflated(PaddedMetadata("103", 2 * kLimit)), 4096));
    AddBuiltPackage(u"DeclaredHugeIsSmall", lyingAbout(deflated(XmlMetadata("104")), 0xFFFFFFF0u));
    AddPackageWithId(u"After", "105");
    for (int row = 0; row < static_cast<int>(view_.rows.size()); ++row) view_.selected.insert(row);
    Run();
    EXPECT_EQ(Datasets(), (std::vector<std::string>{"100,101,105"}));
    EXPECT_EQ(ReadFileBytes(details::MetadataCopy(folders_.tempFolder)), XmlMetadata("105"));
}

// The converter's output is read up to the same limit: a small member that
// comes out of the converter larger than that yields nothing.
TEST_F(ShowDetailsCommandTest, ConvertedMetadataPastTheLimitYieldsNoIdentifier) {
    const auto converterInput = [](std::int64_t outputSize, const std::string& itemId) {
        return std::move(
            ZipWriter().AddDeflated("iTunesMetadata.plist", std::to_string(outputSize) + "\n" + itemId + "\n"));
    };
    folders_.converterPath = testing_support::BulkyConverterProgram();
    AddPackage(u"Small", converterInput(300, "1"));
    AddPackage(u"AtTheLimit", converterInput(details::kMetadataSizeLimit, "2"));
    AddPackage(u"OneByteOver", converterInput(details::kMetadataSizeLimit + 1, "3"));
    AddPackage(u"Huge", converterInput(4 * details::kMetadataSizeLimit, "4"));
    view_.selected = {0, 1, 2, 3};
    Run();
    EXPECT_EQ(Datasets(), (std::vector<std::string>{"1,2"}));
}

// Without a converter, binary metadata is converted in process and written
// over the metadata copy as the converter writes it: the identifier is the
// same as from the same metadata in XML form. With a converter, its road is
// taken (a converter that changes nothing leaves binary metadata unread).
TEST_F(ShowDetailsCommandTest, BinaryMetadataWithoutAConverter) {
    using namespace testing_support;
    const auto metadata = [](std::int64_t itemId) {
        return WriteBinaryPlist(PlistDict({{"artistName", PlistString("J\xC3\xBCrgen & S\xC3\xB6hne <Apps>")},
                                           {"itemId", PlistInt(itemId)},
                                           {"releaseDate", PlistDate(400000000)},
                                           {"rating", PlistDict({{"label", PlistString("4+")}})},
                                           {"artwork", PlistData(std::string(300, '\x01'))}}));
    };
    AddPackage(u"Binary", std::move(ZipWriter().AddDeflated("iTunesMetadata.plist", metadata(284882215))));
    AddPackageWithId(u"Xml", "222");
    AddPackage(u"Damaged", std::move(ZipWriter().AddStored("iTunesMetadata.plist", "bplist00\x01\x02")));
    AddPackage(u"Last", std::move(ZipWriter().AddStored("iTunesMetadata.plist", metadata(333))));
    view_.selected = {0, 1, 2, 3};
    Run();
    EXPECT_EQ(Datasets().back(), "284882215,222,333");
    const std::string copy = ReadFileBytes(details::MetadataCopy(folders_.tempFolder));
    EXPECT_EQ(copy.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", 0), 0u);
    EXPECT_NE(copy.find("\t<key>itemId</key>\n\t<integer>333</integer>\n"), std::string::npos);
    EXPECT_NE(copy.find("<string>J\xC3\xBCrgen &amp; S\xC3\xB6hne &lt;Apps&gt;</string>"), std::string::npos);

    folders_.converterPath = testing_support::QuickExitProgram();
    view_.selected = {0, 1};
    Run();
    EXPECT_EQ(Datasets().back(), "222");
}
