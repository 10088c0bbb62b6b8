#pragma once
// Owners for the few Win32 handles the driver and its probe hold.

#include <windows.h>

#include "platform/unique_handle.h"

namespace driver {

struct KernelHandleTraits {
    using Type = HANDLE;
    static constexpr Type Invalid() { return nullptr; }
    static void Close(Type handle) noexcept { CloseHandle(handle); }
};
using KernelHandle = platform::UniqueHandle<KernelHandleTraits>;

struct ModuleTraits {
    using Type = HMODULE;
    static constexpr Type Invalid() { return nullptr; }
    static void Close(Type module) noexcept { FreeLibrary(module); }
};
using ModuleHandle = platform::UniqueHandle<ModuleTraits>;

struct HookTraits {
    using Type = HHOOK;
    static constexpr Type Invalid() { return nullptr; }
    static void Close(Type hook) noexcept { UnhookWindowsHookEx(hook); }
};
using HookHandle = platform::UniqueHandle<HookTraits>;

struct ViewTraits {
    using Type = void*;
    static constexpr Type Invalid() { return nullptr; }
    static void Close(Type view) noexcept { UnmapViewOfFile(view); }
};
using ViewHandle = platform::UniqueHandle<ViewTraits>;

}  // namespace driver
