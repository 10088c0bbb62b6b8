#include "app/window/menu_entry.h"

#include "app/menu_texts.h"
#include "platform/win32/wide.h"

namespace app::window {
namespace {

MENUITEMINFOW EmptyInfo() {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    return info;
}

UINT StateOf(const MenuEntryOptions& options) {
    return (options.enabled ? MFS_ENABLED : MFS_DISABLED) | (options.checked ? MFS_CHECKED : MFS_UNCHECKED);
}

}  // namespace

// The caption goes in with the entry: an entry inserted as a string without
// text turns into a separator on some systems (Wine) and stays one.
void MenuEntry::Insert(HMENU parent, MENUITEMINFOW& info, const MenuEntryOptions& options,
                       std::u16string_view caption) {
    parent_ = parent;
    options_ = options;
    caption_ = caption;
    position_ = GetMenuItemCount(parent);
    std::wstring text = DisplayText();
    info.fMask |= MIIM_STATE | MIIM_FTYPE;
    if ((info.fType & MFT_SEPARATOR) == 0) {
        info.fMask |= MIIM_STRING;
        info.dwTypeData = text.data();
    }
    info.fState = StateOf(options);
    InsertMenuItemW(parent, static_cast<UINT>(position_), TRUE, &info);
}

void MenuEntry::AppendPopup(HMENU parent, std::u16string_view caption, const MenuEntryOptions& options) {
    submenu_ = CreatePopupMenu();
    MENUITEMINFOW info = EmptyInfo();
    info.fMask = MIIM_SUBMENU;
    info.hSubMenu = submenu_;
    Insert(parent, info, options, caption);
}

void MenuEntry::AppendCommand(HMENU parent, int id, std::u16string_view caption, const MenuEntryOptions& options) {
    id_ = id;
    MENUITEMINFOW info = EmptyInfo();
    info.fMask = MIIM_ID;
    info.wID = static_cast<UINT>(id);
    info.fType = options.radioGroup > 0 ? MFT_RADIOCHECK : MFT_STRING;
    Insert(parent, info, options, caption);
}

void MenuEntry::AppendSeparator(HMENU parent, const MenuEntryOptions& options) {
    MENUITEMINFOW info = EmptyInfo();
    info.fType = MFT_SEPARATOR;
    Insert(parent, info, options, u"");
}

std::wstring MenuEntry::DisplayText() const {
    std::u16string text = caption_;
    // The menu shows the shortcut right-aligned after a tab, in every language.
    if (const std::u16string label = ShortCutText(options_.shortCut); !label.empty()) text += u"\t" + label;
    return platform::win32::ToWchar(text);
}

bool MenuEntry::SetInfo(MENUITEMINFOW& info) const {
    if (id_ != 0) return SetMenuItemInfoW(parent_, static_cast<UINT>(id_), FALSE, &info) != FALSE;
    return SetMenuItemInfoW(parent_, static_cast<UINT>(position_), TRUE, &info) != FALSE;
}

bool MenuEntry::GetInfo(MENUITEMINFOW& info) const {
    if (id_ != 0) return GetMenuItemInfoW(parent_, static_cast<UINT>(id_), FALSE, &info) != FALSE;
    return GetMenuItemInfoW(parent_, static_cast<UINT>(position_), TRUE, &info) != FALSE;
}

bool MenuEntry::OnMenuBar() const { return ownerWindow_ != nullptr && GetMenu(ownerWindow_) == parent_; }

void MenuEntry::SetCaption(std::u16string_view caption) {
    caption_ = caption;
    std::wstring text = DisplayText();
    MENUITEMINFOW info = EmptyInfo();
    info.fMask = MIIM_STRING;
    info.dwTypeData = text.data();
    SetInfo(info);
    if (OnMenuBar()) DrawMenuBar(ownerWindow_);
}

void MenuEntry::SetEnabled(bool enabled) {
    options_.enabled = enabled;
    MENUITEMINFOW info = EmptyInfo();
    info.fMask = MIIM_STATE;
    info.fState = StateOf(options_);
    SetInfo(info);
    if (OnMenuBar()) DrawMenuBar(ownerWindow_);
}

void MenuEntry::SetChecked(bool checked) {
    options_.checked = checked;
    MENUITEMINFOW info = EmptyInfo();
    info.fMask = MIIM_STATE;
    info.fState = StateOf(options_);
    SetInfo(info);
}

bool MenuEntry::Checked() const {
    MENUITEMINFOW info = EmptyInfo();
    info.fMask = MIIM_STATE;
    return GetInfo(info) && (info.fState & MFS_CHECKED) != 0;
}

}  // namespace app::window
