// Finding the media folder in a 200 MB iTunes library file: the whole-file way
// (read the whole file, decode it into lines, join them, search) against the
// piece-by-piece way that FormCreate uses, in one run. Each way runs in a child
// process of its own, so that its peak memory can be read apart.
//
// The libraries are written as iTunes writes them: the "Music Folder" address
// near the top, then tracks of about two kilobytes, each with a Location under
// the media folder, up to 200 MB. One more has no address at all, the worst
// case, where both ways read the whole file. They are generated once into the
// build's bench-data folder and reused. Prints a few lines per library.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/library_discovery.h"
#include "app/media_url_scan.h"
#include "platform/strings.h"
#include "platform/text_file.h"

namespace {

constexpr std::uintmax_t kLibraryBytes = 200'000'000;
constexpr int kRounds = 3;
const std::u16string kMediaUrl = u"file://localhost/C:/Users/user/Music/iTunes/iTunes%20Media/";
// The same place written so that the search does not recognise it.
const std::u16string kOtherUrl = u"file://127.0.0.1/C:/Users/user/Music/iTunes/iTunes%20Media/";

enum class Form { Utf8AsITunesWrites, Utf8WithMark, Utf16LeWithMark };

struct Library {
    const char* name;
    const char* file;
    Form form;
    bool addresses;
};

constexpr Library kLibraries[] = {
    {"UTF-8 without mark (as iTunes writes it)", "library-utf8.xml", Form::Utf8AsITunesWrites, true},
    {"UTF-8 with mark", "library-utf8-mark.xml", Form::Utf8WithMark, true},
    {"UTF-16 LE with mark", "library-utf16.xml", Form::Utf16LeWithMark, true},
    {"UTF-8 without mark, no address at all", "library-no-address.xml", Form::Utf8AsITunesWrites, false},
};

std::u16string Header(const std::u16string& url) {
    return u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           u"<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
           u"\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           u"<plist version=\"1.0\">\n<dict>\n"
           u"\t<key>Major Version</key><integer>1</integer>\n"
           u"\t<key>Application Version</key><string>12.13.0.9</string>\n"
           u"\t<key>Music Folder</key><string>" +
           url +
           u"</string>\n"
           u"\t<key>Library Persistent ID</key><string>5F3B0C2A9D41E7B6</string>\n"
           u"\t<key>Tracks</key>\n\t<dict>\n";
}

// One track entry of about two kilobytes in UTF-8, with a few non-ASCII names.
std::u16string Track(int number, const std::u16string& url) {
    const std::u16string id = platform::ToWide(number);
    std::u16string entry = u"\t\t<key>" + id + u"</key>\n\t\t<dict>\n";
    const char16_t* const fields[][2] = {
        {u"Name", u"Gr\u00fc\u00dfe aus K\u00f6ln"},
        {u"Artist", u"Caf\u00e9 Orchestra"},
        {u"Album Artist", u"Caf\u00e9 Orchestra"},
        {u"Composer", u"Jos\u00e9 \u00c1lvarez"},
        {u"Album", u"Nocturnes \u2013 Live"},
        {u"Genre", u"Klassik"},
        {u"Kind", u"MPEG-Audiodatei"},
        {u"Sort Name", u"Gruesse aus Koeln"},
        {u"Persistent ID", u"0123456789ABCDEF"},
        {u"Track Type", u"File"},
        {u"Comments", u"Recorded live in the old opera house, second night of the tour, remastered."},
    };
    for (const auto& field : fields) {
        entry += u"\t\t\t<key>" + std::u16string(field[0]) + u"</key><string>" + field[1] + u"</string>\n";
    }
    for (const char16_t* key : {u"Track ID", u"Size", u"Total Time", u"Disc Number", u"Disc Count", u"Track Number",
                                u"Track Count", u"Year", u"Bit Rate", u"Sample Rate", u"Play Count", u"Play Date",
                                u"Skip Count", u"Artwork Count", u"File Folder Count", u"Library Folder Count"}) {
        entry += u"\t\t\t<key>" + std::u16string(key) + u"</key><integer>" + id + u"</integer>\n";
    }
    for (const char16_t* key : {u"Date Modified", u"Date Added", u"Play Date UTC", u"Release Date"}) {
        entry += u"\t\t\t<key>" + std::u16string(key) + u"</key><date>2019-03-14T08:00:00Z</date>\n";
    }
    entry += u"\t\t\t<key>Location</key><string>" + url +
             u"Music/Caf%C3%A9%20Orchestra/Nocturnes%20%E2%80%93"
             u"%20Live/" +
             id + u"%20Gr%C3%BC%C3%9Fe%20aus%20K%C3%B6ln.mp3</string>\n\t\t</dict>\n";
    return entry;
}

std::string Encoded(std::u16string_view text, Form form) {
    if (form != Form::Utf16LeWithMark) return platform::WideToUtf8(text);
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (const char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

void WriteLibrary(const std::string& path, const Library& library) {
    const std::u16string& url = library.addresses ? kMediaUrl : kOtherUrl;
    std::ofstream out(path, std::ios::binary);
    if (library.form == Form::Utf8WithMark) out << "\xEF\xBB\xBF";
    if (library.form == Form::Utf16LeWithMark) out << "\xFF\xFE";
    out << Encoded(Header(url), library.form);
    for (int number = 1; static_cast<std::uintmax_t>(out.tellp()) < kLibraryBytes; ++number) {
        out << Encoded(Track(number, url), library.form);
    }
    out << Encoded(u"\t</dict>\n</dict>\n</plist>\n", library.form);
}

// The file read once through, so that both ways find it in the page cache.
void Warm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> buffer(1 << 20);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {}
}

std::u16string WholeFileWay(const std::u16string& path) {
    return app::MediaFolderFromLibraryText(platform::WholeText(platform::LoadTextLines(path)));
}

std::u16string PieceWay(const std::u16string& path) {
    return app::MediaFolderFromLibraryText(app::ReadMediaUrlText(path));
}

long StatusKilobytes(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) return std::stol(line.substr(std::string(key).size()));
    }
    return -1;
}

struct Run {
    double seconds = 0;
    long peakGrowthKb = 0;
    std::u16string answer;
};

// Runs one way in a child process: its time, how far its peak resident memory
// rose above what it held when it began, and its answer.
Run RunInChild(std::u16string (*way)(const std::u16string&), const std::u16string& path) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) std::exit(2);
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        const long before = StatusKilobytes("VmRSS:");
        const auto start = std::chrono::steady_clock::now();
        const std::u16string answer = way(path);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const long growth = StatusKilobytes("VmHWM:") - before;
        const std::string utf8 = platform::WideToUtf8(answer);
        const std::string report = std::to_string(seconds) + " " + std::to_string(growth) + " " + utf8;
        if (write(pipeFds[1], report.data(), report.size()) < 0) _exit(3);
        _exit(0);
    }
    close(pipeFds[1]);
    std::string report;
    char buffer[512];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    Run run;
    const std::size_t first = report.find(' ');
    const std::size_t second = report.find(' ', first + 1);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || second == std::string::npos) {
        std::printf("error: a child failed (%s)\n", report.c_str());
        std::exit(1);
    }
    run.seconds = std::stod(report.substr(0, first));
    run.peakGrowthKb = std::stol(report.substr(first + 1, second - first - 1));
    run.answer = platform::Utf8ToWide(report.substr(second + 1));
    return run;
}

// The median round of one way (by time); the peak growth is the largest seen.
Run Measure(std::u16string (*way)(const std::u16string&), const std::u16string& path) {
    std::vector<Run> runs;
    for (int round = 0; round < kRounds; ++round) runs.push_back(RunInChild(way, path));
    long peak = 0;
    for (const Run& run : runs) peak = std::max(peak, run.peakGrowthKb);
    std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
    Run median = runs[runs.size() / 2];
    median.peakGrowthKb = peak;
    return median;
}

}  // namespace

int main() {
    const std::filesystem::path data(VANTREL_BENCH_DATA);
    std::filesystem::create_directories(data);
    int failures = 0;
    for (const Library& library : kLibraries) {
        const std::string file = (data / library.file).string();
        if (!std::filesystem::exists(file)) WriteLibrary(file, library);
        Warm(file);
        const std::u16string path(file.begin(), file.end());
        const Run whole = Measure(&WholeFileWay, path);
        const Run pieces = Measure(&PieceWay, path);
        std::printf("library: %s, %.1f MB\n", library.name,
                    static_cast<double>(std::filesystem::file_size(file)) / 1e6);
        std::printf("  whole-file way: %.3f s, peak memory growth %.1f MB\n", whole.seconds,
                    static_cast<double>(whole.peakGrowthKb) / 1024);
        std::printf("  piece way:      %.4f s, peak memory growth %.2f MB\n", pieces.seconds,
                    static_cast<double>(pieces.peakGrowthKb) / 1024);
        std::printf("  time ratio whole/piece: %.0f, same answer: %s (%s)\n", whole.seconds / pieces.seconds,
                    whole.answer == pieces.answer ? "yes" : "NO", platform::WideToUtf8(pieces.answer).c_str());
        if (whole.answer != pieces.answer || pieces.answer.empty() == library.addresses) ++failures;
    }
    return failures == 0 ? 0 : 1;
}
