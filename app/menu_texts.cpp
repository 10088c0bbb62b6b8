#include "app/menu_texts.h"

namespace app {

std::u16string ShortCutText(std::uint16_t shortCut) {
    const char16_t key = ShortCutKey(shortCut);
    if (key == 0) return {};
    std::u16string text;
    if (ShortCutHasCtrl(shortCut)) text += u"Strg+";
    text += key;
    return text;
}

}  // namespace app
