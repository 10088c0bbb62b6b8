#include "platform/file_system.h"

#include <windows.h>

#include "platform/unique_handle.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type handle) noexcept { FindClose(handle); }
};

DWORD Attributes(std::u16string_view path) { return GetFileAttributesW(win32::ToWchar(path).c_str()); }

// The drive root of a path: "C:\" for "C:\x", "\\server\share\" for a UNC path.
std::wstring DriveRoot(std::u16string_view path) {
    const std::wstring wide = win32::ToWchar(path);
    if (wide.size() >= 2 && wide[1] == L':') return wide.substr(0, 2) + L"\\";
    if (wide.rfind(L"\\\\", 0) == 0) {
        const std::size_t share = wide.find(L'\\', 2);
        const std::size_t end = share == std::wstring::npos ? share : wide.find(L'\\', share + 1);
        return (end == std::wstring::npos ? wide : wide.substr(0, end)) + L"\\";
    }
    return {};
}

}  // namespace

bool FileExists(std::u16string_view path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(std::u16string_view path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool NetworkSharePaths() { return true; }

std::optional<std::int64_t> LastWriteTime(std::u16string_view path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(win32::ToWchar(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                     data.ftLastWriteTime.dwLowDateTime);
}

std::vector<FoundEntry> FindEntries(std::u16string_view pattern) {
    std::vector<FoundEntry> entries;
    WIN32_FIND_DATAW data{};
    UniqueHandle<FindHandleTraits> search(FindFirstFileW(win32::ToWchar(pattern).c_str(), &data));
    if (!search) return entries;
    do {
        entries.push_back({win32::FromWchar(data.cFileName), data.dwFileAttributes});
    } while (FindNextFileW(search.get(), &data));
    return entries;
}

bool IsRemovableDrive(std::u16string_view path) {
    const std::wstring root = DriveRoot(path);
    return GetDriveTypeW(root.empty() ? nullptr : root.c_str()) == DRIVE_REMOVABLE;
}

bool DeleteFileAt(std::u16string_view path) { return DeleteFileW(win32::ToWchar(path).c_str()) != 0; }

}  // namespace platform
