#pragma once
// One entry of the main menu, addressed the way the menu handler compares its
// senders: by object. An entry knows where it sits (its parent menu and either
// its command id or, for the menu bar's popups, its position), its Tag, its
// radio group and its shortcut.

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace app::window {

struct MenuEntryOptions {
    int tag = 0;
    int radioGroup = 0;  // 0: not a radio entry
    bool checked = false;
    bool enabled = true;
    std::uint16_t shortCut = 0;
    bool clickHandler = false;  // whether choosing it runs the menu handler
};

class MenuEntry {
public:
    MenuEntry() = default;
    MenuEntry(const MenuEntry&) = delete;
    MenuEntry& operator=(const MenuEntry&) = delete;

    // Appends a popup with a new, empty submenu at the end of `parent`.
    void AppendPopup(HMENU parent, std::u16string_view caption, const MenuEntryOptions& options);
    // Appends a command entry with the given command id.
    void AppendCommand(HMENU parent, int id, std::u16string_view caption, const MenuEntryOptions& options);
    void AppendSeparator(HMENU parent, const MenuEntryOptions& options);
    // The window whose menu bar shows this entry: redrawn when a bar caption changes.
    void SetOwnerWindow(HWND window) { ownerWindow_ = window; }

    // The caption without the shortcut label; the label is written after a tab.
    void SetCaption(std::u16string_view caption);
    const std::u16string& Caption() const { return caption_; }
    void SetEnabled(bool enabled);
    void SetChecked(bool checked);
    bool Checked() const;

    int Tag() const { return options_.tag; }
    int RadioGroup() const { return options_.radioGroup; }
    bool HasClickHandler() const { return options_.clickHandler; }
    std::uint16_t ShortCut() const { return options_.shortCut; }
    int Id() const { return id_; }
    HMENU Submenu() const { return submenu_; }

private:
    void Insert(HMENU parent, MENUITEMINFOW& info, const MenuEntryOptions& options, std::u16string_view caption);
    // The caption, then a tab and the shortcut label when there is a shortcut.
    std::wstring DisplayText() const;
    // Fills the identifying part of a MENUITEMINFOW call: by command or by position.
    bool SetInfo(MENUITEMINFOW& info) const;
    bool GetInfo(MENUITEMINFOW& info) const;
    bool OnMenuBar() const;

    HMENU parent_ = nullptr;
    HMENU submenu_ = nullptr;
    HWND ownerWindow_ = nullptr;
    int id_ = 0;         // command entries
    int position_ = -1;  // popups and separators
    std::u16string caption_;
    MenuEntryOptions options_;
};

}  // namespace app::window
