// Opening an archive of 65,000 members: time to load the directory, how many
// reads of the archive stream it takes, and the memory the loaded directory
// holds. Prints one "key: value" line per figure.
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "archive/archiver.h"
#include "platform/file_stream.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_writer.h"

namespace {

constexpr int kMembers = 65000;
constexpr int kRounds = 7;

// Counts the reads that reach the file.
class CountingStream final : public platform::Stream {
public:
    explicit CountingStream(platform::Stream& inner) : inner_(inner) {}
    std::size_t Read(void* buffer, std::size_t count) override {
        ++reads;
        bytes += count;
        return inner_.Read(buffer, count);
    }
    std::size_t Write(const void* buffer, std::size_t count) override { return inner_.Write(buffer, count); }
    std::int64_t Seek(std::int64_t offset, platform::SeekOrigin origin) override { return inner_.Seek(offset, origin); }
    void SetSize(std::int64_t size) override { inner_.SetSize(size); }
    std::int64_t Size() override { return inner_.Size(); }

    long reads = 0;
    long long bytes = 0;

private:
    platform::Stream& inner_;
};

std::string MemberName(int i) {
    char name[64];
    std::snprintf(name, sizeof name, "Payload/Example.app/Assets/image_%05d@2x.png", i);
    return name;
}

std::string BuildArchive() {
    testing_support::ZipWriter writer;
    for (int i = 0; i < kMembers; ++i) writer.AddStored(MemberName(i), std::to_string(i));
    writer.Zip64Records(false);  // 65,000 fits the 16-bit count; zip64 records as large writers emit them
    return writer.Build().bytes;
}

std::size_t HeapInUse() { return mallinfo2().uordblks; }

}  // namespace

int main() {
    testing_support::TempDir dir;
    const std::string bytes = BuildArchive();
    const std::u16string path = dir.Write(u"big.ipa", bytes);
    std::printf("members: %d\narchive bytes: %zu\n", kMembers, bytes.size());

    std::vector<double> millis;
    for (int round = 0; round < kRounds; ++round) {
        archive::TZFArchiver arc;
        arc.SetFileName(path);
        const auto start = std::chrono::steady_clock::now();
        arc.OpenArchive(0);
        const auto stop = std::chrono::steady_clock::now();
        if (arc.DMHandle->CDir.Count() != kMembers) {
            std::printf("error: loaded %d items\n", arc.DMHandle->CDir.Count());
            return 1;
        }
        millis.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    }
    std::sort(millis.begin(), millis.end());
    std::printf("open time ms (min / median / max of %d): %.1f / %.1f / %.1f\n", kRounds, millis.front(),
                millis[millis.size() / 2], millis.back());

    platform::FileStream file(path, platform::kFmOpenRead);
    CountingStream counting(file);
    const std::size_t heapBefore = HeapInUse();
    {
        archive::TZFArchiver arc;
        arc.OpenArchive(counting, false);
        const std::size_t heapOpen = HeapInUse();
        std::int32_t itemNo = -1;
        arc.DMHandle->CDir.FileExists(u"payload/example.app/assets/IMAGE_64999@2x.png", itemNo);
        std::printf("stream reads: %ld\nbytes read: %lld\n", counting.reads, counting.bytes);
        std::printf("heap held by the open archive: %.1f MiB (%.0f bytes per member)\n",
                    (heapOpen - heapBefore) / 1048576.0, static_cast<double>(heapOpen - heapBefore) / kMembers);
        std::printf("lookup of the last member: %d\n", itemNo);
    }
    return 0;
}
