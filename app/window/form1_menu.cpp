// TForm1: the main menu, its shortcuts and the one menu handler MenuClick.
#include "app/window/form1.h"

#include <stdexcept>
#include <vector>

#include "app/accessible_names.h"
#include "app/command_ids.h"
#include "app/language.h"
#include "app/menu_texts.h"
#include "app/selection.h"
#include "app/window/shell_open.h"

namespace app::window {
namespace {

// The design captions of the entries whose captions the language switch sets.
const LanguageTexts& DesignTexts() { return TextsOf(Language::German); }

MenuEntryOptions Clickable() { return {.clickHandler = true}; }

MenuEntryOptions LanguageEntry(int tag, bool checked) {
    return {.tag = tag, .radioGroup = 1, .checked = checked, .clickHandler = true};
}

MenuEntryOptions WithShortCut(std::uint16_t shortCut) { return {.shortCut = shortCut, .clickHandler = true}; }

MenuEntryOptions Disabled() { return {.enabled = false}; }

}  // namespace

std::array<MenuEntry*, 18> TForm1::MenuEntries() {
    return {&Menu, &MenuDeu,   &MenuEng,   &MenuFra,   &N1,        &MenuExit,   &MenuEdit,   &MenuSelAll, &MenuInvAll,
            &N2,   &MenuHint1, &MenuHint2, &MenuAbout, &MenuCopyR, &MenuDorvik, &MenuTamsel, &N3,         &MenuTotal};
}

void TForm1::CreateMainMenu() {
    MenuHandle bar(CreateMenu());
    if (!bar) throw std::runtime_error("cannot create the main menu");
    const LanguageTexts& design = DesignTexts();

    Menu.AppendPopup(bar.get(), kMenuCaption, Clickable());
    MenuDeu.AppendCommand(Menu.Submenu(), ids::kMenuDeu, kMenuDeuCaption, LanguageEntry(1, true));
    MenuEng.AppendCommand(Menu.Submenu(), ids::kMenuEng, kMenuEngCaption, LanguageEntry(2, false));
    MenuFra.AppendCommand(Menu.Submenu(), ids::kMenuFra, kMenuFraCaption, LanguageEntry(3, false));
    N1.AppendSeparator(Menu.Submenu(), {});
    MenuExit.AppendCommand(Menu.Submenu(), ids::kMenuExit, design.ExitText, WithShortCut(kShortCutExit));

    MenuEdit.AppendPopup(bar.get(), design.EditText, {});
    MenuSelAll.AppendCommand(MenuEdit.Submenu(), ids::kMenuSelAll, design.SelectAllText,
                             WithShortCut(kShortCutSelectAll));
    MenuInvAll.AppendCommand(MenuEdit.Submenu(), ids::kMenuInvAll, design.InvertSelectionText,
                             WithShortCut(kShortCutInvert));
    N2.AppendSeparator(MenuEdit.Submenu(), {});
    MenuHint1.AppendCommand(MenuEdit.Submenu(), ids::kMenuHint1, design.Hint1Caption, Disabled());
    MenuHint2.AppendCommand(MenuEdit.Submenu(), ids::kMenuHint2, design.Hint2Caption, Disabled());

    MenuAbout.AppendPopup(bar.get(), design.AboutText, Clickable());
    MenuCopyR.AppendCommand(MenuAbout.Submenu(), ids::kMenuCopyR, kMenuCopyRCaption, Disabled());
    MenuDorvik.AppendCommand(MenuAbout.Submenu(), ids::kMenuDorvik, kMenuDorvikCaption, Clickable());
    MenuTamsel.AppendCommand(MenuAbout.Submenu(), ids::kMenuTamsel, kMenuTamselCaption, Clickable());

    N3.AppendSeparator(bar.get(), Disabled());
    MenuTotal.AppendCommand(bar.get(), ids::kMenuTotal, u"", Disabled());

    if (!SetMenu(handle_, bar.get())) throw std::runtime_error("cannot attach the main menu");
    static_cast<void>(bar.release());  // the window owns its menu bar from here on
    for (MenuEntry* entry : MenuEntries()) entry->SetOwnerWindow(handle_);
    DrawMenuBar(handle_);
}

void TForm1::CreateAccelerators() {
    std::vector<ACCEL> table;
    for (const MenuEntry* entry : MenuEntries()) {
        if (entry->ShortCut() == 0) continue;
        const BYTE modifiers = ShortCutHasCtrl(entry->ShortCut()) ? FCONTROL : 0;
        table.push_back(
            {static_cast<BYTE>(FVIRTKEY | modifiers), ShortCutKey(entry->ShortCut()), static_cast<WORD>(entry->Id())});
    }
    accelerators_.reset(CreateAcceleratorTableW(table.data(), static_cast<int>(table.size())));
}

void TForm1::MenuClick(const MenuEntry& Sender) {
    SetLanguageIndependentStrings(InterfaceStrings);
    // At most one of these matches; the sender is told apart by identity.
    if (&Sender == &MenuExit) Close();
    if (&Sender == &MenuSelAll) SelectAll(ListBox1);
    if (&Sender == &MenuInvAll) InvertSelection(ListBox1);
    if (&Sender == &MenuDorvik) ShellOpen(handle_, kDorvikPage);
    if (&Sender == &MenuTamsel) ShellOpen(handle_, kTamselPage);
    if (Sender.Tag() <= 0) return;
    ApplyLanguage(Sender);
}

void TForm1::ApplyLanguage(const MenuEntry& Sender) {
    Language language;
    if (&Sender == &MenuDeu) {
        language = Language::German;
    } else if (&Sender == &MenuEng) {
        language = Language::English;
    } else if (&Sender == &MenuFra) {
        language = Language::French;
    } else {
        return;
    }
    ApplyLanguageTexts(InterfaceStrings, language);
    MenuHint1.SetCaption(TextsOf(language).Hint1Caption);
    MenuHint2.SetCaption(TextsOf(language).Hint2Caption);

    UploadButton.SetCaption(UploadButtonCaption(InterfaceStrings));
    MenuExit.SetCaption(InterfaceStrings.ExitText);
    MenuEdit.SetCaption(InterfaceStrings.EditText);
    MenuAbout.SetCaption(InterfaceStrings.AboutText);
    MenuSelAll.SetCaption(InterfaceStrings.SelectAllText);
    MenuInvAll.SetCaption(InterfaceStrings.InvertSelectionText);
    language_ = language;
    listAnnotation_.SetName(ListBox1.Handle(), ListAccessibleName(language));
}

}  // namespace app::window
