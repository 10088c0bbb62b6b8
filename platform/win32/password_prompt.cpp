// The password prompt: a modal dialog built in memory from a dialog template, so
// its measures are dialog units of its font (a horizontal unit is a quarter of the
// average width of the letters A-Z and a-z, a vertical unit an eighth of their height),
// and every element is a standard control that screen readers and tests can read.
#include "platform/password_prompt.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <vector>

#include "platform/win32/wide.h"

namespace platform {
namespace {

constexpr wchar_t kLabelText[] = L"Enter password: ";
constexpr wchar_t kFontName[] = L"MS Shell Dlg";
constexpr WORD kFontPoints = 8;
constexpr int kMaxPasswordLength = 255;
constexpr WORD kLabelId = 100;
constexpr WORD kEditId = 101;
constexpr WORD kButtonClass = 0x0080;  // predefined class atoms of dialog templates
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;

struct ControlSpec {
    DWORD style;
    short x, y, cx, cy;
    WORD id;
    WORD classAtom;
    const wchar_t* text;
};

// Label, edit, OK (default), Cancel (answers Escape); client area 180 x 63.
constexpr std::array<ControlSpec, 4> kControls = {{
    {WS_CHILD | WS_VISIBLE | SS_LEFT, 8, 8, 164, 8, kLabelId, kStaticClass, kLabelText},
    {WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL, 8, 19, 164, 12, kEditId, kEditClass,
     L""},
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 38, 41, 50, 14, IDOK, kButtonClass, L"OK"},
    {WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 92, 41, 50, 14, IDCANCEL, kButtonClass, L"Cancel"},
}};
constexpr short kClientWidth = 180;
constexpr short kClientHeight = 63;

// A DLGTEMPLATE and its items as one WORD array (DWORD-aligned where required).
class TemplateBuilder {
public:
    void Dword(DWORD value) {
        words_.push_back(LOWORD(value));
        words_.push_back(HIWORD(value));
    }
    void Word(WORD value) { words_.push_back(value); }
    void Text(std::wstring_view text) {
        for (wchar_t c : text) words_.push_back(static_cast<WORD>(c));
        words_.push_back(0);
    }
    void AlignDword() {
        if (words_.size() % 2) words_.push_back(0);
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    std::vector<WORD> words_;
};

void AddControl(TemplateBuilder& t, const ControlSpec& c) {
    t.AlignDword();
    t.Dword(c.style);
    t.Dword(0);
    for (short v : {c.x, c.y, c.cx, c.cy}) t.Word(static_cast<WORD>(v));
    t.Word(c.id);
    t.Word(0xFFFF);
    t.Word(c.classAtom);
    t.Text(c.text);
    t.Word(0);  // no creation data
}

TemplateBuilder BuildTemplate(const std::wstring& caption) {
    TemplateBuilder t;
    t.Dword(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT);
    t.Dword(0);
    t.Word(static_cast<WORD>(kControls.size()));
    for (short v : {short{0}, short{0}, kClientWidth, kClientHeight}) t.Word(static_cast<WORD>(v));
    t.Word(0);  // no menu
    t.Word(0);  // the predefined dialog class
    t.Text(caption);
    t.Word(kFontPoints);
    t.Text(kFontName);
    for (const auto& control : kControls) AddControl(t, control);
    return t;
}

void CentreOnScreen(HWND dialog) {
    RECT r{};
    GetWindowRect(dialog, &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void InitDialog(HWND dialog, LPARAM typed) {
    SetWindowLongPtrW(dialog, DWLP_USER, typed);
    const HWND edit = GetDlgItem(dialog, kEditId);
    SendMessageW(edit, EM_SETLIMITTEXT, kMaxPasswordLength, 0);
    SendMessageW(edit, EM_SETPASSWORDCHAR, L'*', 0);
    CentreOnScreen(dialog);
}

void StoreTypedText(HWND dialog) {
    auto* typed = reinterpret_cast<std::wstring*>(GetWindowLongPtrW(dialog, DWLP_USER));
    const HWND edit = GetDlgItem(dialog, kEditId);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
    *typed = std::move(text);
}

INT_PTR CALLBACK PromptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        InitDialog(dialog, lParam);
        return TRUE;  // focus goes to the first tab stop, the edit box
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            StoreTypedText(dialog);
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

std::optional<std::u16string> ShowSystemPasswordPrompt(std::u16string_view itemName) {
    const TemplateBuilder dialogTemplate = BuildTemplate(win32::ToWchar(PasswordPromptCaption(itemName)));
    std::wstring typed;
    // The active window of this thread is the owner, so it takes no input while the
    // prompt is open but is still repainted by the dialog's message loop.
    const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialogTemplate.Get(), GetActiveWindow(),
                                                   PromptProc, reinterpret_cast<LPARAM>(&typed));
    if (result != IDOK) return std::nullopt;
    return win32::FromWchar(typed);
}

}  // namespace platform
