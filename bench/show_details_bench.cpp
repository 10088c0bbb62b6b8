// The show-details command over a library of three packages, the middle one
// holding a metadata member of 1 GiB (honestly declared, about 1 MB deflated,
// the identifier at its top), all three selected, no converter installed, the
// catalogue service on loopback:
//   "command"       the command as the program runs it;
//   "unbounded"     the road the command took before its metadata limits: the
//                   member extracted whole into memory, saved, read back and
//                   decoded into lines. Kept here only, to compare against.
// Each road runs in a child process of its own, so that the peak resident size
// is its own. Usage: show_details_bench [DATA_FOLDER] [--member-mib N]
// (--road NAME runs a single road; the benchmark starts itself that way.)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "archive/archiver.h"
#include "bench/bench_archive_writer.h"
#include "details/catalogue_request.h"
#include "details/plist_lookup.h"
#include "details/reply_address.h"
#include "details/show_details_command.h"
#include "platform/file_system.h"
#include "platform/stream.h"
#include "platform/strings.h"
#include "platform/text_file.h"
#include "service/http/http_server.h"

namespace {

namespace fs = std::filesystem;

const char* const kRows[] = {"Alpha", "Hostile", "Gamma"};
const char* const kItemIds[] = {"111", "222", "333"};

std::string MetadataHead(const std::string& itemId) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
           "\t<key>itemId</key>\n\t<integer>" +
           itemId + "</integer>\n";
}
const std::string kMetadataTail = "</dict>\n</plist>\n";
const std::string kPaddingLine = "\t<key>padding</key>\n\t<string>the same text, over and over</string>\n";

// The metadata of the hostile package: the identifier at the top, then padding
// lines up to about `size` bytes, then the end of the list; produced piece by piece.
bench::PieceSource HostileMetadata(std::int64_t size) {
    struct State {
        std::string pending;
        std::size_t offset = 0;
        std::int64_t produced = 0;
        bool headDone = false;
        bool tailDone = false;
    };
    auto state = std::make_shared<State>();
    const auto nextPiece = [size](State& s) -> std::string {
        if (!s.headDone) {
            s.headDone = true;
            return MetadataHead(kItemIds[1]);
        }
        const auto room = static_cast<std::int64_t>(kPaddingLine.size() + kMetadataTail.size());
        if (s.produced + room <= size) return kPaddingLine;
        s.tailDone = true;
        return kMetadataTail;
    };
    return [state, nextPiece](std::uint8_t* buffer, std::size_t capacity) {
        std::size_t n = 0;
        while (n < capacity) {
            if (state->offset == state->pending.size()) {
                if (state->tailDone) break;
                state->pending = nextPiece(*state);
                state->offset = 0;
                state->produced += static_cast<std::int64_t>(state->pending.size());
            }
            const std::size_t piece = std::min(capacity - n, state->pending.size() - state->offset);
            std::memcpy(buffer + n, state->pending.data() + state->offset, piece);
            state->offset += piece;
            n += piece;
        }
        return n;
    };
}

void WriteLibrary(const std::string& packages, std::int64_t hostileSize) {
    fs::create_directories(packages);
    for (int i = 0; i < 3; ++i) {
        const std::string path = packages + "/" + kRows[i] + ".ipa";
        if (fs::exists(path)) continue;
        bench::ArchiveFileWriter writer(path + ".part");
        writer.Add("Payload/App.app/Info.plist", std::string(2000, 'i'), true);
        if (i == 1) {
            writer.Add("iTunesMetadata.plist", HostileMetadata(hostileSize), true, 6);
        } else {
            writer.Add("iTunesMetadata.plist", MetadataHead(kItemIds[i]) + kMetadataTail, true);
        }
        writer.Finish();
        fs::rename(path + ".part", path);
    }
}

// The main window as the command sees it: every row selected.
class BenchView : public details::ShowDetailsView {
public:
    int RowCount() override { return 3; }
    std::u16string RowText(int row) override { return platform::Utf8ToWide(kRows[row]); }
    bool RowSelected(int) override { return true; }
    void SetButtonCaption(std::u16string_view) override {}
    void SetButtonEnabled(bool) override {}
    void RepaintButton() override {}
    std::u16string PleaseWaitText() override { return u"Please wait"; }
    std::u16string EllipsisSuffix() override { return u" ..."; }
    std::u16string ShowDetailsText() override { return u"Show details"; }
    void OpenAddress(std::u16string_view) override {}
};

// The command as it was before its metadata limits, step by step as it ran then.
void UnboundedCommand(details::ShowDetailsView& view, const details::ShowDetailsFolders& folders) {
    view.SetButtonEnabled(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    std::u16string identifiers;
    {
        archive::TZFArchiver archiver;
        platform::MemoryStream member;
        for (int row = 0; row < view.RowCount(); ++row) {
            if (!view.RowSelected(row)) continue;
            try {
                archiver.SetFileName(folders.mediaFolder + view.RowText(row) + u".ipa");
                archiver.OpenArchive(0);
                member.Clear();
                archiver.ExtractToStream(u"iTunesMetadata.plist", member);
                archiver.CloseArchive();
                const std::u16string copy = details::MetadataCopy(folders.tempFolder);
                member.SaveToFile(copy);
                const std::u16string id = details::FindPlistValue(u"itemId", platform::LoadTextLines(copy));
                if (!id.empty()) identifiers += id + u",";
            } catch (...) {}
        }
    }
    view.SetButtonEnabled(true);
    if (!identifiers.empty()) identifiers.pop_back();
    const std::u16string replyFile = details::ReplyFile(folders.tempFolder);
    if (!details::SubmitIdentifiers(identifiers, replyFile)) return;
    const std::u16string address = platform::Trim(platform::WholeText(platform::LoadTextLines(replyFile)));
    if (details::IsOpenableReplyAddress(address)) view.OpenAddress(address);
}

// Runs one road with the service on loopback as the proxy; prints its time and
// the dataset the service received.
int RunRoad(const std::string& road, const std::string& folder) {
    std::mutex mutex;
    std::string dataset = "(no request)";
    httpd::Server service([&](const httpd::Request& request) {
        std::lock_guard lock(mutex);
        dataset = request.query;
        return httpd::Response::WithBody(200, "text/plain", "http://catalogue.test/apps/1.html\r\n");
    });
    service.Start();
    setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(service.Port())).c_str(), 1);

    const std::u16string root = platform::Utf8ToWide(fs::absolute(folder).string());
    fs::create_directories(folder + "/temp-" + road);
    details::ShowDetailsFolders folders{root + u"\\Mobile Applications\\", root + u"\\no-converter\\plutil.exe",
                                        root + u"\\temp-" + platform::Utf8ToWide(road) + u"\\"};
    BenchView view;
    const auto start = std::chrono::steady_clock::now();
    if (road == "command")
        details::UploadButtonClick(view, folders);
    else
        UnboundedCommand(view, folders);
    const double millis = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::lock_guard lock(mutex);
    std::printf("%.1f %s\n", millis, dataset.c_str());
    return 0;
}

struct Result {
    double millis = 0;
    long peakKiB = 0;
    std::string dataset;
};

Result RunInChild(const std::string& self, const std::string& folder, const std::string& road) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        const char* args[] = {self.c_str(), folder.c_str(), "--road", road.c_str(), nullptr};
        execv(self.c_str(), const_cast<char* const*>(args));
        _exit(127);
    }
    close(pipeEnds[1]);
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    close(pipeEnds[0]);
    Result result;
    char dataset[200] = {};
    std::sscanf(text.c_str(), "%lf %199s", &result.millis, dataset);
    result.dataset = dataset;
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    result.peakKiB = usage.ru_maxrss;
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    std::string folder = VANTREL_BENCH_DATA "/show-details";
    std::string road;
    std::int64_t memberMiB = 1024;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--road") == 0 && i + 1 < argc) {
            road = argv[++i];
        } else if (std::strcmp(argv[i], "--member-mib") == 0 && i + 1 < argc) {
            memberMiB = std::atoll(argv[++i]);
        } else {
            folder = argv[i];
        }
    }
    if (!road.empty()) return RunRoad(road, folder);

    folder += "/" + std::to_string(memberMiB) + "-mib";
    WriteLibrary(folder + "/Mobile Applications", memberMiB << 20);
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    std::printf("3 packages, all selected; the middle one's metadata member is %lld MiB (%lld bytes deflated)\n",
                static_cast<long long>(memberMiB),
                static_cast<long long>(fs::file_size(folder + "/Mobile Applications/Hostile.ipa")));
    std::printf("%-10s %12s %10s %14s %10s  %s\n", "road", "ms", "ratio", "peak RSS MiB", "ratio", "dataset sent");
    const Result before = RunInChild(self, folder, "unbounded");
    const Result after = RunInChild(self, folder, "command");
    for (const auto& [name, r] : {std::pair{"unbounded", before}, std::pair{"command", after}}) {
        std::printf("%-10s %12.1f %10.3f %14.1f %10.3f  %s\n", name, r.millis, r.millis / before.millis,
                    r.peakKiB / 1024.0, static_cast<double>(r.peakKiB) / static_cast<double>(before.peakKiB),
                    r.dataset.c_str());
    }
    std::printf("ratio: over the unbounded road; time includes the command's 250 ms pause\n");
    return 0;
}
