// The show-details command's work per package, on a package of 5,000 members
// with its metadata member last: name the file, open it strictly, extract the
// metadata member within its limit, close. The steps and the archiver reused
// from package to package are the command's own. Prints the median and the
// mean time per package over many rounds, and the process's peak resident size.
// Usage: package_details_bench [DATA_FOLDER] [ROUNDS]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/archiver.h"
#include "bench/bench_archive_writer.h"
#include "details/metadata_extraction.h"
#include "platform/stream.h"
#include "platform/strings.h"

namespace {

constexpr int kMembers = 5000;
constexpr const char* kMetadataName = "iTunesMetadata.plist";

// 5,000 stored members of 1 KB under an app's folders, the metadata member
// (3 KB of plist, deflated) last, as packages lay it out.
void WritePackage(const std::string& path) {
    bench::ArchiveFileWriter writer(path + ".part");
    const std::string payload(1024, 'p');
    for (int i = 0; i < kMembers; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "Payload/App.app/res/file_%04d.png", i);
        writer.Add(name, payload, false);
    }
    std::string plist =
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>itemId</key><integer>284417350</integer>";
    while (plist.size() < 3000) plist += "<key>genre</key><string>Utilities</string>";
    writer.Add(kMetadataName, plist + "</dict></plist>", true);
    writer.Finish();
    std::filesystem::rename(path + ".part", path);
}

double PackageSeconds(archive::TZFArchiver& archiver, const std::u16string& path, platform::MemoryStream& member) {
    const auto start = std::chrono::steady_clock::now();
    member.Clear();
    archiver.SetFileName(path);
    archiver.OpenArchive(0);
    details::ExtractBoundedMember(archiver, u"iTunesMetadata.plist", member, details::kMetadataSizeLimit);
    archiver.CloseArchive();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : VANTREL_BENCH_DATA;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 300;
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/package-5000.ipa";
    if (!std::filesystem::exists(path)) WritePackage(path);

    archive::TZFArchiver archiver;
    platform::MemoryStream member;
    const std::u16string widePath = platform::Utf8ToWide(path);
    PackageSeconds(archiver, widePath, member);  // warm
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) times.push_back(PackageSeconds(archiver, widePath, member));
    if (member.Size() < 3000) {
        std::fprintf(stderr, "metadata member not extracted\n");
        return 1;
    }
    std::sort(times.begin(), times.end());
    double total = 0;
    for (double t : times) total += t;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("per package (5,000 members, metadata last), %d rounds: median %.1f us, mean %.1f us, peak %.1f MiB\n",
                rounds, times[times.size() / 2] * 1e6, total / rounds * 1e6, usage.ru_maxrss / 1024.0);
    return 0;
}
