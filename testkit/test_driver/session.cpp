#include "session.h"

#include "window_finder.h"

namespace driver {

HWND Session::RequireMain() {
    if (main && IsWindow(main)) return main;
    const HWND found = FindTopLevelByCaption(caption);
    if (!found) throw StepError(L"no window with the caption " + caption);
    AdoptMain(found);
    return main;
}

void Session::AdoptMain(HWND window) {
    main = window;
    thread = GetWindowThreadProcessId(window, &pid);
}

}  // namespace driver
