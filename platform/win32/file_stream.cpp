#include "platform/file_stream.h"

#include <windows.h>

#include <limits>
#include <stdexcept>

#include "platform/exception.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

HANDLE Raw(const FileHandle& file) { return reinterpret_cast<HANDLE>(file.get()); }

DWORD AccessRights(std::uint16_t mode) {
    switch (mode & 0x3) {
    case kFmOpenWrite:
        return GENERIC_WRITE;
    case kFmOpenReadWrite:
        return GENERIC_READ | GENERIC_WRITE;
    default:
        return GENERIC_READ;
    }
}

// Compatibility sharing (0) is taken as no sharing at all, like exclusive.
DWORD ShareRights(std::uint16_t mode) {
    switch (mode & 0x70) {
    case kFmShareDenyWrite:
        return FILE_SHARE_READ;
    case kFmShareDenyRead:
        return FILE_SHARE_WRITE;
    case kFmShareDenyNone:
        return FILE_SHARE_READ | FILE_SHARE_WRITE;
    default:
        return 0;
    }
}

}  // namespace

// CreateFileW reports failure as INVALID_HANDLE_VALUE (-1), which is also Invalid().
void FileHandleTraits::Close(Type handle) noexcept { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

FileStream::FileStream(std::u16string_view path, std::uint16_t mode) : path_(path) {
    const std::wstring widePath = win32::ToWchar(path);
    const bool create = (mode & kFmCreate) == kFmCreate;
    const HANDLE handle = create ? CreateFileW(widePath.c_str(), GENERIC_READ | GENERIC_WRITE, ShareRights(mode),
                                               nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)
                                 : CreateFileW(widePath.c_str(), AccessRights(mode), ShareRights(mode), nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();  // before anything else can overwrite it
        if (create) throw EFCreateError(path, error);
        throw EFOpenError(path, error);
    }
    file_.reset(reinterpret_cast<std::intptr_t>(handle));
}

std::size_t FileStream::Read(void* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(Raw(file_), static_cast<char*>(buffer) + done, piece, &got, nullptr) || got == 0) break;
        done += got;
    }
    return done;
}

std::size_t FileStream::Write(const void* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
        DWORD put = 0;
        if (!WriteFile(Raw(file_), static_cast<const char*>(buffer) + done, piece, &put, nullptr) || put == 0) break;
        done += put;
    }
    return done;
}

std::int64_t FileStream::Seek(std::int64_t offset, SeekOrigin origin) {
    const DWORD method = origin == SeekOrigin::Begin     ? FILE_BEGIN
                         : origin == SeekOrigin::Current ? FILE_CURRENT
                                                         : FILE_END;
    LARGE_INTEGER distance{};
    distance.QuadPart = offset;
    LARGE_INTEGER position{};
    if (!SetFilePointerEx(Raw(file_), distance, &position, method))
        throw std::runtime_error("file stream: seek failed");
    return position.QuadPart;
}

std::int64_t FileStream::Size() {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(Raw(file_), &size)) throw std::runtime_error("file stream: size unknown");
    return size.QuadPart;
}

void FileStream::SetSize(std::int64_t size) {
    const std::int64_t position = Position();
    Seek(size, SeekOrigin::Begin);
    if (!SetEndOfFile(Raw(file_))) throw EWriteError();
    Seek(position > size ? size : position, SeekOrigin::Begin);
}

}  // namespace platform
