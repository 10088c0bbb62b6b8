#pragma once
// Captions of the menu entries that read the same in every language, the
// addresses of the two sibling products' pages, and the shortcuts.

#include <cstdint>
#include <string>
#include <string_view>

#include "app/version.h"

namespace app {

inline constexpr std::u16string_view kWindowCaption = u"" VANTREL_WINDOW_CAPTION;

inline constexpr std::u16string_view kMenuCaption = u"Menu";
inline constexpr std::u16string_view kMenuDeuCaption = u"Deutsch (German)";
inline constexpr std::u16string_view kMenuEngCaption = u"English (English)";
inline constexpr std::u16string_view kMenuFraCaption = u"Fran\u00e7ais (French)";
inline constexpr std::u16string_view kMenuCopyRCaption =
    u"" VANTREL_WINDOW_CAPTION " - \u00a9 2026 The Vantrel developers";
inline constexpr std::u16string_view kMenuDorvikCaption = u"Dorvik - iPhone Backup";
inline constexpr std::u16string_view kMenuTamselCaption = u"Tamsel - Startleiste";

inline constexpr std::u16string_view kDorvikPage = u"http://www.example.com/dorvik";
inline constexpr std::u16string_view kTamselPage = u"http://www.example.com/tamsel";
// The shell verb for the sibling pages.
inline constexpr std::u16string_view kOpenVerb = u"OPEN";

// Shortcuts: the key code in the low byte plus the Ctrl flag.
inline constexpr std::uint16_t kShortCutCtrl = 0x4000;
inline constexpr std::uint16_t kShortCutExit = kShortCutCtrl | 'Q';       // 16465
inline constexpr std::uint16_t kShortCutSelectAll = kShortCutCtrl | 'A';  // 16449
inline constexpr std::uint16_t kShortCutInvert = kShortCutCtrl | 'I';     // 16457

// The label the menu writes after a caption: "Strg+" and the key's letter in
// every language; the empty text for no shortcut.
std::u16string ShortCutText(std::uint16_t shortCut);

// The key code of a shortcut (its low byte) and whether it needs Ctrl.
constexpr std::uint8_t ShortCutKey(std::uint16_t shortCut) { return static_cast<std::uint8_t>(shortCut & 0xFF); }
constexpr bool ShortCutHasCtrl(std::uint16_t shortCut) { return (shortCut & kShortCutCtrl) != 0; }

}  // namespace app
