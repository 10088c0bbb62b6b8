#pragma once
// Owners of the window code's GDI objects, accelerator table and COM interfaces.

#include <windows.h>

#include "platform/unique_handle.h"

namespace app::window {

struct FontTraits {
    using Type = HFONT;
    static constexpr Type Invalid() { return nullptr; }
    static void Close(Type font) noexcept { DeleteObject(font); }
};
using FontHandle = platform::UniqueHandle<FontTraits>;

struct BrushTraits {
    using Type = HBRUSH;
    static constexpr Type Invalid() { return nullptr; }
    static void Close(Type brush) noexcept { DeleteObject(brush); }
};
using BrushHandle = platform::UniqueHandle<BrushTraits>;

struct AcceleratorTraits {
    using Type = HACCEL;
    static constexpr Type Invalid() { return nullptr; }
    static void Close(Type table) noexcept { DestroyAcceleratorTable(table); }
};
using AcceleratorHandle = platform::UniqueHandle<AcceleratorTraits>;

// A menu that no window owns yet; SetMenu hands it over (release()).
struct MenuTraits {
    using Type = HMENU;
    static constexpr Type Invalid() { return nullptr; }
    static void Close(Type menu) noexcept { DestroyMenu(menu); }
};
using MenuHandle = platform::UniqueHandle<MenuTraits>;

// One reference to a COM interface, released when the owner goes.
template <typename Interface>
struct ComTraits {
    using Type = Interface*;
    static constexpr Type Invalid() { return nullptr; }
    static void Close(Type pointer) noexcept { pointer->Release(); }
};
template <typename Interface>
using ComPointer = platform::UniqueHandle<ComTraits<Interface>>;

// Arial at a character height (negative LOGFONT height: the cell minus its
// internal leading), regular or bold.
inline FontHandle CreateArialFont(int characterHeight, bool bold) {
    return FontHandle(CreateFontW(-characterHeight, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                  DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, L"Arial"));
}

}  // namespace app::window
