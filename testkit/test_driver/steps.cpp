#include "steps.h"

#include <shlobj.h>

#include <cwchar>

#include "app/command_ids.h"
#include "dialogs.h"
#include "keyboard.h"
#include "probe_client.h"
#include "probe_protocol.h"
#include "window_finder.h"
#include "window_state.h"

namespace driver {
namespace {

using StepFunction = void (*)(Session&, const StepArgs&, JsonWriter&);

struct StepSpec {
    std::wstring_view name;
    size_t minArgs;
    size_t maxArgs;
    StepFunction run;
    std::wstring_view usage;
};

double Seconds(const std::wstring& text) {
    wchar_t* end = nullptr;
    const double value = std::wcstod(text.c_str(), &end);
    if (end == text.c_str() || *end != L'\0' || value < 0) throw StepError(L"not a number of seconds: " + text);
    return value;
}

long Integer(const std::wstring& text) {
    wchar_t* end = nullptr;
    const long value = std::wcstol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != L'\0') throw StepError(L"not an integer: " + text);
    return value;
}

// Lets the program handle what the last step gave it: a pause for input to arrive,
// then a round trip through its message queue.
void Settle(const Session& session) {
    Sleep(session.settleMs);
    if (session.main && IsWindow(session.main)) SendWithTimeout(session.main, WM_NULL, 0, 0, nullptr, 2000);
}

constexpr struct {
    std::wstring_view name;
    int id;
} kMenuNames[] = {
    {L"MenuDeu", app::ids::kMenuDeu},       {L"MenuEng", app::ids::kMenuEng},
    {L"MenuFra", app::ids::kMenuFra},       {L"MenuExit", app::ids::kMenuExit},
    {L"MenuSelAll", app::ids::kMenuSelAll}, {L"MenuInvAll", app::ids::kMenuInvAll},
    {L"MenuHint1", app::ids::kMenuHint1},   {L"MenuHint2", app::ids::kMenuHint2},
    {L"MenuCopyR", app::ids::kMenuCopyR},   {L"MenuDorvik", app::ids::kMenuDorvik},
    {L"MenuTamsel", app::ids::kMenuTamsel}, {L"MenuTotal", app::ids::kMenuTotal},
};

int MenuId(const std::wstring& text) {
    for (const auto& entry : kMenuNames)
        if (entry.name == text) return entry.id;
    return static_cast<int>(Integer(text));
}

HWND Control(Session& session, const std::wstring& which) {
    const HWND main = session.RequireMain();
    if (which == L"main") return main;
    const int id = which == L"list"     ? app::ids::kListBox1
                   : which == L"button" ? app::ids::kUploadButton
                   : which == L"panel"  ? app::ids::kPanel2
                                        : static_cast<int>(Integer(which));
    const HWND control = FindDescendantById(main, id);
    if (!control) throw StepError(L"the window has no control " + which);
    return control;
}

void StepWaitWindow(Session& session, const StepArgs& args, JsonWriter& json) {
    const std::wstring caption = args.size() > 1 ? args[1] : session.caption;
    HWND found = nullptr;
    if (!WaitUntil(Seconds(args[0]), [&] { return (found = FindTopLevelByCaption(caption)) != nullptr; }))
        throw StepError(L"no window with caption " + caption);
    session.AdoptMain(found);
    json.Field("hwnd", static_cast<long long>(reinterpret_cast<INT_PTR>(found)));
    json.Field("pid", session.pid).Field("visible", IsWindowVisible(found) != FALSE);
}

void StepWaitVisible(Session& session, const StepArgs& args, JsonWriter&) {
    const HWND main = session.RequireMain();
    if (!WaitUntil(Seconds(args[0]), [&] { return IsWindowVisible(main) != FALSE; }))
        throw StepError(L"the window stayed hidden");
}

void StepWaitExit(Session& session, const StepArgs& args, JsonWriter& json) {
    if (!session.pid) session.pid = FindProcessByName(session.processName);
    if (!session.pid) {
        json.Field("exited", true);
        return;
    }
    const KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, session.pid));
    if (!process) {
        json.Field("exited", true);  // already gone
        return;
    }
    const DWORD waited = WaitForSingleObject(process.get(), static_cast<DWORD>(Seconds(args[0]) * 1000));
    if (waited != WAIT_OBJECT_0) throw StepError(L"the program is still running");
    json.Field("exited", true);
}

void StepState(Session& session, const StepArgs&, JsonWriter& json) { WriteWindowState(session, json); }

void StepList(Session& session, const StepArgs&, JsonWriter& json) {
    WriteListState(Control(session, L"list"), json);
    json.Field("focus", FocusName(session));
}

void SendMenuCommand(Session& session, int id, JsonWriter& json) {
    const HWND main = session.RequireMain();
    json.Field("id", id);
    // A command may open a modal loop; then the send times out while the command goes on.
    const bool returned = SendWithTimeout(main, WM_COMMAND, MAKEWPARAM(id, 0), 0, nullptr, 3000);
    json.Field("returned", returned);
    Settle(session);
}

void StepMenu(Session& session, const StepArgs& args, JsonWriter& json) {
    SendMenuCommand(session, MenuId(args[0]), json);
}

void StepKey(Session& session, const StepArgs& args, JsonWriter& json) {
    const auto keys = ParseKeyCombo(args[0]);
    const HWND main = session.RequireMain();
    // While a message box is open the keys are meant for it.
    const HWND dialog = FindOpenDialog(session, L"");
    PressKeys(dialog ? dialog : main, keys);
    json.Field("focus", FocusName(session));
    Settle(session);
}

void StepWheel(Session& session, const StepArgs& args, JsonWriter& json) {
    TurnWheelOver(Control(session, args[0]), static_cast<int>(Integer(args[1])));
    Settle(session);
    LRESULT top = 0;
    SendWithTimeout(Control(session, L"list"), LB_GETTOPINDEX, 0, 0, &top);
    json.Field("top", static_cast<long long>(top));
    json.Field("focus", FocusName(session));
}

void StepFocus(Session& session, const StepArgs& args, JsonWriter& json) {
    FocusControl(Control(session, args[0]));
    json.Field("focus", FocusName(session));
}

void StepClick(Session& session, const StepArgs& args, JsonWriter&) {
    const HWND control = Control(session, args.empty() ? L"button" : args[0]);
    PostMessageW(control, BM_CLICK, 0, 0);
    Settle(session);
}

void StepSelect(Session& session, const StepArgs& args, JsonWriter& json) {
    const HWND list = Control(session, L"list");
    const std::wstring& which = args[0];
    SendWithTimeout(list, LB_SETSEL, FALSE, -1);
    if (which == L"all") {
        SendWithTimeout(list, LB_SETSEL, TRUE, -1);
    } else if (which != L"none") {
        size_t start = 0;
        while (start < which.size()) {
            const size_t comma = std::min(which.find(L',', start), which.size());
            const long row = Integer(which.substr(start, comma - start));
            LRESULT result = 0;
            SendWithTimeout(list, LB_SETSEL, TRUE, row, &result);
            if (result == LB_ERR) throw StepError(L"no row " + std::to_wstring(row));
            start = comma + 1;
        }
    }
    Settle(session);  // lets the list repaint before anything looks at the screen
    WriteListState(list, json);
}

void StepClose(Session& session, const StepArgs&, JsonWriter&) { PostMessageW(session.RequireMain(), WM_CLOSE, 0, 0); }

void StepSleep(Session&, const StepArgs& args, JsonWriter&) { Sleep(static_cast<DWORD>(Integer(args[0]))); }

// Sizes the main window's outer rectangle as a user dragging its frame would ask
// for; the window's own limits decide what it becomes.
void StepResize(Session& session, const StepArgs& args, JsonWriter& json) {
    const HWND main = session.RequireMain();
    SetWindowPos(main, nullptr, 0, 0, static_cast<int>(Integer(args[0])), static_cast<int>(Integer(args[1])),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Settle(session);
    RECT window{};
    GetWindowRect(main, &window);
    json.Field("w", static_cast<int>(window.right - window.left))
        .Field("h", static_cast<int>(window.bottom - window.top));
}

// Moves the main window (same size) as a user dragging its caption would ask
// for; the window's snapping decides where it ends up. The probe moves it from
// the window's own thread (see MoveWindowJson).
void StepMove(Session& session, const StepArgs& args, JsonWriter& json) {
    const std::string request = std::to_string(Integer(args[0])) + " " + std::to_string(Integer(args[1]));
    json.Key("window").Raw(QueryProbe(session.RequireMain(), probe::kQueryMove, request));
    Settle(session);
}

// Opens a file for writing, as another program editing it would, and keeps it open
// until the driver ends: readers that do not share writing then fail to open it.
void StepHoldFile(Session& session, const StepArgs& args, JsonWriter&) {
    // CreateFileW fails with INVALID_HANDLE_VALUE, not null.
    const HANDLE file = CreateFileW(args[0].c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw StepError(L"cannot open " + args[0] + L" for writing, error " + std::to_wstring(GetLastError()));
    session.heldFiles.emplace_back(file);
}

// The entries FindFirstFileW/FindNextFileW give for a pattern, in their order: the
// order in which the program under test meets them in the same prefix.
void StepFindFiles(Session&, const StepArgs& args, JsonWriter& json) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(args[0].c_str(), &found);
    json.Key("names").BeginArray();
    if (search != INVALID_HANDLE_VALUE) {
        do {
            json.String(found.cFileName);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    json.EndArray();
}

void StepDialogWait(Session& session, const StepArgs& args, JsonWriter& json) {
    WriteDialog(WaitForDialog(session, Seconds(args[0]), args.size() > 1 ? args[1] : L""), json);
}

void StepDialogRead(Session& session, const StepArgs& args, JsonWriter& json) {
    WriteDialog(CurrentDialog(session, args.empty() ? L"" : args[0]), json);
}

void StepDialogPress(Session& session, const StepArgs& args, JsonWriter& json) {
    PressDialogButton(CurrentDialog(session, args.size() > 1 ? args[1] : L""), args[0], json);
    session.dialog = nullptr;
    Settle(session);
}

void StepDialogType(Session& session, const StepArgs& args, JsonWriter&) {
    TypeIntoDialog(CurrentDialog(session, args.size() > 1 ? args[1] : L""), args[0]);
}

void StepDialogNone(Session& session, const StepArgs& args, JsonWriter&) {
    const double seconds = args.empty() ? 0 : Seconds(args[0]);
    if (WaitUntil(seconds, [&] { return FindOpenDialog(session, L"") != nullptr; }))
        throw StepError(L"a dialog is open: " + WindowText(FindOpenDialog(session, L"")));
}

constexpr std::wstring_view kPasswordTitle = L"Password for ";

void StepPasswordWait(Session& session, const StepArgs& args, JsonWriter& json) {
    WriteDialog(WaitForDialog(session, Seconds(args[0]), kPasswordTitle), json);
}

void StepPasswordType(Session& session, const StepArgs& args, JsonWriter&) {
    TypeIntoDialog(CurrentDialog(session, kPasswordTitle), args[0]);
}

void StepPasswordPress(Session& session, const StepArgs& args, JsonWriter& json) {
    PressDialogButton(CurrentDialog(session, kPasswordTitle), args[0], json);
    session.dialog = nullptr;
    Settle(session);
}

void StepSystemError(Session&, const StepArgs& args, JsonWriter& json) {
    const DWORD code = static_cast<DWORD>(Integer(args[0]));
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    json.Field("code", static_cast<long long>(code));
    json.Field("text", length ? std::wstring(text, length) : std::wstring());
    LocalFree(text);
}

std::wstring FolderPath(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return path;
}

// The folders and system settings the program reads, as this process (same
// prefix, same user) sees them.
void StepPaths(Session&, const StepArgs&, JsonWriter& json) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    wchar_t common[MAX_PATH] = {};
    GetEnvironmentVariableW(L"CommonProgramFiles", common, MAX_PATH);
    wchar_t common32[MAX_PATH] = {};
    GetEnvironmentVariableW(L"CommonProgramFiles(x86)", common32, MAX_PATH);
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    json.Field("music", FolderPath(CSIDL_MYMUSIC));
    json.Field("temp", temp).Field("commonProgramFiles", common).Field("commonProgramFilesX86", common32);
    json.Field("currentDirectory", current);
    json.Field("ansiCodePage", static_cast<int>(GetACP()));
    UINT wheelLines = 0;
    SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &wheelLines, 0);
    json.Field("wheelScrollLines", static_cast<long long>(wheelLines));
}

// The resolution the program sees and its controls' fonts, read by the probe
// from inside the program (fonts are GDI objects of that process).
void StepFonts(Session& session, const StepArgs&, JsonWriter& json) {
    json.Key("fonts").Raw(QueryProbe(session.RequireMain(), probe::kQueryFonts));
}

// WM_DPICHANGED as the system sends it when the window moves to a monitor of
// another scale; sent from inside the program, since its rectangle is a pointer.
void StepDpiChanged(Session& session, const StepArgs& args, JsonWriter& json) {
    std::string request;
    for (const auto& arg : args) request += std::to_string(Integer(arg)) + " ";
    json.Key("answer").Raw(QueryProbe(session.RequireMain(), probe::kQueryDpiChanged, request));
    Settle(session);
}

// High contrast as the program sees it, switched from inside the program (Wine
// always reports it off): see theme_probe.h.
void StepHighContrast(Session& session, const StepArgs& args, JsonWriter& json) {
    std::string request;
    for (const auto& arg : args) {
        for (const wchar_t c : arg) {
            if (c > 127) throw StepError(L"high-contrast takes ASCII words");
            request += static_cast<char>(c);
        }
        request += ' ';
    }
    json.Key("answer").Raw(QueryProbe(session.RequireMain(), probe::kQueryHighContrast, request));
    Settle(session);
}

// The taskbar button as the program hands its progress to it, through the
// probe's stand-in for the shell (see taskbar_probe.h).
void StepTaskbar(Session& session, const StepArgs& args, JsonWriter& json) {
    const std::string request(args[0].begin(), args[0].end());
    json.Key("answer").Raw(QueryProbe(session.RequireMain(), probe::kQueryTaskbar, request));
    Settle(session);
}

// The open dialog's layout as its program made it (fonts are GDI objects of that process).
void StepDialogLayout(Session& session, const StepArgs& args, JsonWriter& json) {
    const HWND dialog = CurrentDialog(session, args.empty() ? L"" : args[0]);
    json.Key("layout").Raw(QueryProbe(dialog, probe::kQueryDialogLayout));
}

constexpr StepSpec kSteps[] = {
    {L"wait-window", 1, 2, StepWaitWindow, L"<seconds> [caption]  wait for the main window (top-level, by caption)"},
    {L"wait-visible", 1, 1, StepWaitVisible, L"<seconds>  wait until the main window is shown"},
    {L"wait-exit", 1, 1, StepWaitExit, L"<seconds>  wait until the program's process has ended"},
    {L"state", 0, 0, StepState, L"window, controls, list rows and selection, menu bar, total entry"},
    {L"list", 0, 0, StepList, L"list rows and selection only, and the focus"},
    {L"menu", 1, 1, StepMenu, L"<id|MenuName>  send the menu command (WM_COMMAND)"},
    {L"key", 1, 1, StepKey, L"<combo>  press keys as real input, e.g. ctrl+a, enter, alt+f4"},
    {L"wheel", 2, 2, StepWheel, L"<list|button|...> <delta>  turn the wheel over a control; gives the list's top row"},
    {L"focus", 1, 1, StepFocus, L"<list|button|panel|main|id>  give a control the keyboard focus"},
    {L"click", 0, 1, StepClick, L"[button|id]  click a button (BM_CLICK); default the upload button"},
    {L"select", 1, 1, StepSelect, L"<none|all|i,j,...>  set exactly these list rows selected (LB_SETSEL)"},
    {L"close", 0, 0, StepClose, L"post WM_CLOSE to the main window"},
    {L"sleep", 1, 1, StepSleep, L"<milliseconds>"},
    {L"resize", 2, 2, StepResize, L"<width> <height>  ask the main window for this outer size"},
    {L"move", 2, 2, StepMove, L"<x> <y>  ask the main window to move there (same size); gives where it went"},
    {L"hold-file", 1, 1, StepHoldFile, L"<path>  keep the file open for writing until the driver ends"},
    {L"find-files", 1, 1, StepFindFiles, L"<pattern>  the names FindFirstFileW/FindNextFileW give, in order"},
    {L"msgbox-wait", 1, 1, StepDialogWait, L"<seconds>  wait for a message box of the program and read it"},
    {L"msgbox-read", 0, 0, StepDialogRead, L"read the open message box: title, text, icon, buttons"},
    {L"msgbox-press", 1, 1, StepDialogPress, L"<caption|#id>  press a button of the open message box"},
    {L"msgbox-none", 0, 1, StepDialogNone, L"[seconds]  fail if a dialog of the program is (or gets) open"},
    {L"dialog-wait", 1, 2, StepDialogWait, L"<seconds> [title prefix]  wait for a dialog and read it"},
    {L"dialog-read", 0, 1, StepDialogRead, L"[title prefix]  read the open dialog"},
    {L"dialog-press", 1, 2, StepDialogPress, L"<caption|#id> [title prefix]  press a dialog button"},
    {L"dialog-type", 1, 2, StepDialogType, L"<text> [title prefix]  type into the dialog's edit field"},
    {L"password-wait", 1, 1, StepPasswordWait, L"<seconds>  wait for the \"Password for ...\" dialog"},
    {L"password-type", 1, 1, StepPasswordType, L"<text>  type into the password dialog"},
    {L"password-press", 1, 1, StepPasswordPress, L"<OK|Cancel|...>  press a password dialog button"},
    {L"syserror", 1, 1, StepSystemError, L"<code>  the system's text for an error code"},
    {L"fonts", 0, 0, StepFonts, L"the resolution the program sees and the fonts of its window and controls"},
    {L"dpi-changed", 5, 5, StepDpiChanged,
     L"<dpi> <left> <top> <right> <bottom>  send WM_DPICHANGED with this resolution and suggested rectangle"},
    {L"high-contrast", 3, 3, StepHighContrast,
     L"<on|off> <black|white|keep> <both|syscolor|setting>  the program's high contrast, colours, notification"},
    {L"taskbar", 1, 1, StepTaskbar,
     L"<install|announce|calls>  the stand-in taskbar list: install it, announce the button, read its calls"},
    {L"dialog-layout", 0, 1, StepDialogLayout,
     L"[title prefix]  the open dialog's resolution, font, base units, client area and controls"},
    {L"paths", 0, 0, StepPaths,
     L"music, temporary and common files folders, current directory, ANSI code page, wheel lines"},
};

}  // namespace

void RunStep(Session& session, std::wstring_view name, const StepArgs& args, JsonWriter& json) {
    for (const auto& step : kSteps) {
        if (step.name != name) continue;
        if (args.size() < step.minArgs || args.size() > step.maxArgs)
            throw StepError(L"wrong number of arguments; usage: " + std::wstring(name) + L" " +
                            std::wstring(step.usage));
        step.run(session, args, json);
        return;
    }
    throw StepError(L"unknown step: " + std::wstring(name));
}

std::wstring StepUsage() {
    std::wstring usage;
    for (const auto& step : kSteps) usage += L"  " + std::wstring(step.name) + L" " + std::wstring(step.usage) + L"\n";
    return usage;
}

}  // namespace driver
