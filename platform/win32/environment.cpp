#include "platform/environment.h"

#include <windows.h>
#include <shlobj.h>

#include "platform/win32/wide.h"

namespace platform {

std::optional<std::u16string> EnvironmentVariable(std::u16string_view name) {
    const std::wstring wideName = win32::ToWchar(name);
    std::wstring value(256, L'\0');
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        const DWORD length = GetEnvironmentVariableW(wideName.c_str(), value.data(), static_cast<DWORD>(value.size()));
        if (length == 0) {
            if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
            return u"";
        }
        if (length < value.size()) {
            value.resize(length);
            return win32::FromWchar(value);
        }
        value.resize(length);
    }
}

std::u16string TempFolderPath() {
    std::wstring buffer(MAX_PATH + 1, L'\0');
    DWORD length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length > buffer.size()) {
        buffer.resize(length);
        length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    }
    if (length == 0 || length > buffer.size()) return {};
    buffer.resize(length);
    return win32::FromWchar(buffer);
}

// The shell's allocator frees the item list on every way out.
std::u16string SpecialFolderPath(int csidl) {
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || allocator == nullptr) return {};
    std::u16string path;
    PIDLIST_ABSOLUTE items = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, csidl, &items)) && items != nullptr) {
        wchar_t buffer[MAX_PATH] = {};
        // A folder without a file-system path gives the empty text.
        if (SHGetPathFromIDListW(items, buffer)) path = win32::FromWchar(buffer);
        allocator->Free(items);
    }
    allocator->Release();
    return path;
}

}  // namespace platform
