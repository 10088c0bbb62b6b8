// Reading members out of large archives, against libzip on the same files:
//   open 5,000 members (~200 MB) and extract a 3 KB member placed last;
//   open 65,000 small members and do the same;
//   inflate one ~200 MB member to memory (and zlib's bare inflate, the limit),
//   and into a sink, which shows the memory a member costs without its output;
//   rebuild the directory of a 200 MB archive whose tail is cut off, against
//   reading the file once;
//   with --zip64, extract a member above 4 GiB into a file.
// Each case runs in a child process of its own, so that its peak resident size
// is its own. Usage: extraction_bench [DATA_FOLDER] [--zip64]
// (--case N runs a single case; the benchmark starts itself that way.)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "archive/archiver.h"
#include "bench/bench_archive_writer.h"
#include "bench/bench_data.h"
#include "platform/file_stream.h"
#include "platform/stream.h"
#include "platform/strings.h"

namespace {

namespace fs = std::filesystem;

struct Files {
    std::string many;     // 5,000 members, ~200 MB
    std::string small;    // 65,000 small members
    std::string big;      // one ~200 MB member
    std::string cut;      // `many` without its central directory and end records
    std::string huge;     // one member above 4 GiB (with --zip64)
    std::string hugeOut;  // where that member is extracted to
};

// Discards what is written; counts it.
class Sink final : public platform::Stream {
public:
    std::size_t Read(void*, std::size_t) override { return 0; }
    std::size_t Write(const void*, std::size_t count) override {
        size_ += static_cast<std::int64_t>(count);
        return count;
    }
    std::int64_t Seek(std::int64_t offset, platform::SeekOrigin origin) override {
        return origin == platform::SeekOrigin::Begin ? offset : size_ + offset;
    }
    void SetSize(std::int64_t) override {}
    std::int64_t Size() override { return size_; }

private:
    std::int64_t size_ = 0;
};

std::u16string Wide(const std::string& path) { return platform::Utf8ToWide(path); }

// --- the reader of this program ---

std::int64_t OursExtract(const std::string& path, const std::string& name, platform::Stream& out) {
    archive::TZFArchiver arc;
    arc.SetFileName(Wide(path));
    arc.OpenArchive(0);
    arc.ExtractToStream(Wide(name), out);
    return out.Size();
}

std::int64_t OursToMemory(const std::string& path, const std::string& name) {
    platform::MemoryStream out;
    return OursExtract(path, name, out);
}

std::int64_t OursToSink(const std::string& path, const std::string& name) {
    Sink out;
    return OursExtract(path, name, out);
}

std::int64_t OursRebuild(const std::string& path) {
    archive::TZFArchiver arc;
    arc.SetFileName(Wide(path));
    arc.OpenArchive(0);
    return arc.DMHandle->CDir.Count();
}

// --- libzip through its public interface ---

std::int64_t LibzipRead(const std::string& path, const std::string& name, bool toMemory) {
    int error = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (!za) return -1;
    const zip_int64_t index = zip_name_locate(za, name.c_str(), 0);
    zip_stat_t st;
    zip_stat_index(za, static_cast<zip_uint64_t>(index), 0, &st);
    zip_file_t* file = zip_fopen_index(za, static_cast<zip_uint64_t>(index), 0);
    std::int64_t total = 0;
    if (toMemory) {
        std::vector<char> buffer(st.size);
        total = zip_fread(file, buffer.data(), st.size);
    } else {
        std::vector<char> buffer(1 << 20);
        for (zip_int64_t n; (n = zip_fread(file, buffer.data(), buffer.size())) > 0;) total += n;
    }
    zip_fclose(file);
    zip_close(za);
    return total;
}

// --- zlib's inflate alone: the member's data are known to start at `dataStart` ---

std::int64_t ZlibInflateToMemory(const std::string& path, std::int64_t dataStart, std::int64_t compSize,
                                 std::int64_t size) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    fseeko(f, dataStart, SEEK_SET);
    std::vector<unsigned char> out(static_cast<std::size_t>(size));
    std::vector<unsigned char> in(1 << 20);
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    for (std::int64_t left = compSize; left > 0;) {
        const std::size_t n = std::fread(in.data(), 1, std::min<std::int64_t>(left, in.size()), f);
        left -= static_cast<std::int64_t>(n);
        z.next_in = in.data();
        z.avail_in = static_cast<uInt>(n);
        while (z.avail_in > 0 && inflate(&z, Z_NO_FLUSH) == Z_OK) {}
    }
    const auto total = static_cast<std::int64_t>(z.total_out);
    inflateEnd(&z);
    std::fclose(f);
    crc32(0L, out.data(), static_cast<uInt>(total));
    return total;
}

std::int64_t ReadOnce(const std::string& path) {
    platform::FileStream file(Wide(path), platform::kFmOpenRead | platform::kFmShareDenyNone);
    std::vector<char> buffer(1 << 20);
    std::int64_t total = 0;
    for (std::size_t n; (n = file.Read(buffer.data(), buffer.size())) > 0;) total += static_cast<std::int64_t>(n);
    return total;
}

// --- running the cases ---

struct Case {
    std::string group;
    std::string name;
    int rounds;
    std::function<std::int64_t()> run;
};

struct Result {
    double millis = 0;  // median
    long peakKiB = 0;
    std::int64_t check = 0;
};

// Runs case `index` and writes its median time and check value to stdout.
int RunCase(const Case& c) {
    std::vector<double> times;
    std::int64_t check = 0;
    for (int i = 0; i < c.rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        check = c.run();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("%.3f %lld\n", times[times.size() / 2], static_cast<long long>(check));
    return 0;
}

// Runs one case in a fresh process of this program, so that the peak resident
// size the kernel reports for it is that case's alone.
Result RunInChild(const std::string& self, const std::string& folder, bool withHuge, std::size_t index) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        const std::string number = std::to_string(index);
        std::vector<const char*> args = {self.c_str(), folder.c_str(), "--case", number.c_str()};
        if (withHuge) args.push_back("--zip64");
        args.push_back(nullptr);
        execv(self.c_str(), const_cast<char* const*>(args.data()));
        _exit(127);
    }
    close(pipeEnds[1]);
    char text[128] = {};
    std::size_t got = 0;
    for (ssize_t n; got < sizeof text - 1 && (n = read(pipeEnds[0], text + got, sizeof text - 1 - got)) > 0;) {
        got += static_cast<std::size_t>(n);
    }
    close(pipeEnds[0]);
    Result result;
    long long check = 0;
    std::sscanf(text, "%lf %lld", &result.millis, &check);
    result.check = check;
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    result.peakKiB = usage.ru_maxrss;
    return result;
}

Files NamedFiles(const std::string& folder) {
    return {folder + "/many-5000.zip",     folder + "/small-65000.zip", folder + "/big-200mb.zip",
            folder + "/many-5000-cut.zip", folder + "/huge-zip64.zip",  folder + "/huge-member.out"};
}

Files PrepareFiles(const std::string& folder, bool withHuge) {
    fs::create_directories(folder);
    const Files files = NamedFiles(folder);
    if (!fs::exists(files.many)) bench::WriteManyMembers(files.many, files.cut);
    if (!fs::exists(files.small)) bench::WriteSmallMembers(files.small);
    if (!fs::exists(files.big)) bench::WriteBigMember(files.big);
    if (withHuge && !fs::exists(files.huge)) bench::WriteHugeMember(files.huge);
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    std::string folder = VANTREL_BENCH_DATA;
    bool withHuge = false;
    int caseIndex = -1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--zip64") == 0) {
            withHuge = true;
        } else if (std::strcmp(argv[i], "--case") == 0 && i + 1 < argc) {
            caseIndex = std::atoi(argv[++i]);
        } else {
            folder = argv[i];
        }
    }
    const Files f = caseIndex < 0 ? PrepareFiles(folder, withHuge) : NamedFiles(folder);
    const bench::BigMemberLayout big = bench::ReadBigMemberLayout(f.big);

    std::vector<Case> cases = {
        {"open 5,000 (200 MB) + extract last 3 KB", "vantrel", 7,
         [&] { return OursToMemory(f.many, bench::kLastName); }},
        {"open 5,000 (200 MB) + extract last 3 KB", "libzip", 7,
         [&] { return LibzipRead(f.many, bench::kLastName, true); }},
        {"open 65,000 small + extract last 3 KB", "vantrel", 7,
         [&] { return OursToMemory(f.small, bench::kLastName); }},
        {"open 65,000 small + extract last 3 KB", "libzip", 7,
         [&] { return LibzipRead(f.small, bench::kLastName, true); }},
        {"inflate 200 MB member to memory", "vantrel", 3, [&] { return OursToMemory(f.big, bench::kBigName); }},
        {"inflate 200 MB member to memory", "libzip", 3, [&] { return LibzipRead(f.big, bench::kBigName, true); }},
        {"inflate 200 MB member to memory", "zlib", 3,
         [&] { return ZlibInflateToMemory(f.big, big.dataStart, big.compSize, big.size); }},
        {"inflate 200 MB member to a sink", "vantrel", 3, [&] { return OursToSink(f.big, bench::kBigName); }},
        {"inflate 200 MB member to a sink", "libzip", 3, [&] { return LibzipRead(f.big, bench::kBigName, false); }},
        {"rebuild directory of cut 200 MB archive", "vantrel", 3, [&] { return OursRebuild(f.cut); }},
        {"rebuild directory of cut 200 MB archive", "read file once", 3, [&] { return ReadOnce(f.cut); }},
    };
    if (withHuge) {
        cases.push_back({"extract 4.3 GiB zip64 member into a file", "vantrel", 1, [&] {
                             platform::FileStream out(Wide(f.hugeOut), platform::kFmCreate);
                             const std::int64_t n = OursExtract(f.huge, bench::kHugeName, out);
                             fs::remove(f.hugeOut);
                             return n;
                         }});
    }

    if (caseIndex >= 0) return RunCase(cases.at(static_cast<std::size_t>(caseIndex)));

    const std::string self = fs::read_symlink("/proc/self/exe").string();
    std::map<std::string, double> firstOfGroup;
    std::printf("%-44s %-15s %12s %10s %12s %14s\n", "case", "reader", "median ms", "ratio", "peak RSS MiB", "check");
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const Result r = RunInChild(self, folder, withHuge, i);
        const auto [it, inserted] = firstOfGroup.emplace(c.group, r.millis);
        std::printf("%-44s %-15s %12.1f %10.2f %12.1f %14lld\n", c.group.c_str(), c.name.c_str(), r.millis,
                    r.millis / it->second, r.peakKiB / 1024.0, static_cast<long long>(r.check));
        std::fflush(stdout);
    }
    std::printf("ratio: median time over the first reader of the same case\n");
    return 0;
}
