// A converter that keeps the show-details command waiting: installed as
// plutil.exe by the end-to-end tests. It appends its command line to the file
// that VANTREL_CONVERTER_MARK names (so a test knows that the wait has begun
// and what the program asked for), then waits until the file that
// VANTREL_CONVERTER_RELEASE names exists, at most VANTREL_CONVERTER_SLEEP_MS
// milliseconds (default 6000), and ends without touching the metadata file.
#include <windows.h>

#include <cwchar>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr DWORD kDefaultSleepMs = 6000;
constexpr DWORD kPollMs = 50;

std::wstring EnvironmentValue(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), size));
    return value;
}

std::string Utf8(const std::wstring& text) {
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

}  // namespace

int wmain() {
    const std::wstring mark = EnvironmentValue(L"VANTREL_CONVERTER_MARK");
    if (!mark.empty()) {
        std::ofstream out(std::filesystem::path(mark), std::ios::binary | std::ios::app);
        out << Utf8(GetCommandLineW()) << "\n";
    }
    const std::wstring sleepMs = EnvironmentValue(L"VANTREL_CONVERTER_SLEEP_MS");
    const DWORD limit =
        sleepMs.empty() ? kDefaultSleepMs : static_cast<DWORD>(std::wcstoul(sleepMs.c_str(), nullptr, 10));
    const std::wstring release = EnvironmentValue(L"VANTREL_CONVERTER_RELEASE");
    const ULONGLONG start = GetTickCount64();
    while (GetTickCount64() - start < limit) {
        if (!release.empty() && GetFileAttributesW(release.c_str()) != INVALID_FILE_ATTRIBUTES) break;
        Sleep(kPollMs);
    }
    return 0;
}
