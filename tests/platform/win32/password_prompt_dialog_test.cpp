// Drives the real password dialog from a second thread, as a user or an automation
// tool would: find it by its caption, read its standard controls, type, press keys.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "platform/password_prompt.h"

using namespace platform;

namespace {

constexpr wchar_t kCaption[] = L"Password for \"Payload/X.app/secret.txt\"";

std::wstring TextOf(HWND window) {
    wchar_t buffer[512] = {};
    GetWindowTextW(window, buffer, 512);
    return buffer;
}

RECT RectInParent(HWND control, HWND parent) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

RECT DialogUnits(HWND dialog, int x, int y, int cx, int cy) {
    RECT r{x, y, x + cx, y + cy};
    MapDialogRect(dialog, &r);
    return r;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The prompt of this process: test programs running side by side under one
// Wine server share the desktop, and their prompts have the same caption.
// It counts as there once it is shown, which happens after its controls exist.
HWND FindOwnDialog() {
    for (HWND w = FindWindowExW(nullptr, nullptr, L"#32770", kCaption); w;
         w = FindWindowExW(nullptr, w, L"#32770", kCaption)) {
        DWORD process = 0;
        GetWindowThreadProcessId(w, &process);
        if (process == GetCurrentProcessId() && IsWindowVisible(w)) return w;
    }
    return nullptr;
}

// Waits for the prompt on another thread and runs `action` on it.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void(HWND)> action)
            : thread_([this, action = std::move(action)] {
                  for (int i = 0; i < 500 && !dialog_; ++i) {
                      dialog_ = FindOwnDialog();
                      if (!dialog_) std::this_thread::sleep_for(std::chrono::milliseconds(20));
                  }
                  if (!dialog_) return;
                  action(dialog_);
                  // A prompt that is still open after a while would block the test for
                  // good: close it, and the test sees Cancel instead of hanging.
                  for (int i = 0; i < 500 && IsWindow(dialog_); ++i) {
                      std::this_thread::sleep_for(std::chrono::milliseconds(20));
                  }
                  if (IsWindow(dialog_)) PostMessageW(dialog_, WM_COMMAND, IDCANCEL, 0);
              }) {}
    ~DialogDriver() { thread_.join(); }
    bool Found() const { return dialog_ != nullptr; }

private:
    std::atomic<HWND> dialog_{nullptr};
    std::thread thread_;
};

struct Layout {
    std::wstring label;
    bool editMasked = false;
    wchar_t passwordChar = 0;
    LRESULT limit = 0;
    bool okIsDefault = false;
    bool controlsInPlace = false;
    bool clientSize = false;
    bool centred = false;
};

Layout Inspect(HWND dialog) {
    Layout layout;
    const HWND label = FindWindowExW(dialog, nullptr, L"Static", nullptr);
    const HWND edit = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
    const HWND ok = GetDlgItem(dialog, IDOK);
    const HWND cancel = GetDlgItem(dialog, IDCANCEL);
    layout.label = TextOf(label);
    layout.editMasked = (GetWindowLongW(edit, GWL_STYLE) & ES_PASSWORD) != 0;
    layout.passwordChar = static_cast<wchar_t>(SendMessageW(edit, EM_GETPASSWORDCHAR, 0, 0));
    layout.limit = SendMessageW(edit, EM_GETLIMITTEXT, 0, 0);
    layout.okIsDefault = LOWORD(SendMessageW(dialog, DM_GETDEFID, 0, 0)) == IDOK && TextOf(ok) == L"OK" &&
                         TextOf(cancel) == L"Cancel" && TextOf(edit).empty();
    layout.controlsInPlace = SameRect(RectInParent(ok, dialog), DialogUnits(dialog, 38, 41, 50, 14)) &&
                             SameRect(RectInParent(cancel, dialog), DialogUnits(dialog, 92, 41, 50, 14)) &&
                             RectInParent(edit, dialog).left == DialogUnits(dialog, 8, 19, 164, 12).left &&
                             RectInParent(edit, dialog).top == DialogUnits(dialog, 8, 19, 164, 12).top &&
                             RectInParent(edit, dialog).right == DialogUnits(dialog, 8, 19, 164, 12).right &&
                             RectInParent(label, dialog).left == DialogUnits(dialog, 8, 8, 1, 1).left &&
                             RectInParent(label, dialog).top == DialogUnits(dialog, 8, 8, 1, 1).top;
    RECT client{};
    GetClientRect(dialog, &client);
    layout.clientSize = SameRect(client, DialogUnits(dialog, 0, 0, 180, 63));
    RECT window{};
    GetWindowRect(dialog, &window);
    const int dx = (window.left + window.right) - GetSystemMetrics(SM_CXSCREEN);
    const int dy = (window.top + window.bottom) - GetSystemMetrics(SM_CYSCREEN);
    layout.centred = dx >= -2 && dx <= 2 && dy >= -2 && dy <= 2;
    return layout;
}

// Types into the edit box and sends `key` to it, as the keyboard would.
void TypeAndPress(HWND dialog, const wchar_t* text, WPARAM key) {
    const HWND edit = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    PostMessageW(edit, WM_KEYDOWN, key, 0);
    PostMessageW(edit, WM_KEYUP, key, 0);
}

TEST(PasswordPromptDialog, ShowsTheStandardControlsInDialogUnits) {
    Layout layout;
    std::optional<std::u16string> answer;
    {
        DialogDriver driver([&](HWND dialog) {
            layout = Inspect(dialog);
            PostMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
        });
        answer = ShowSystemPasswordPrompt(u"Payload/X.app/secret.txt");
        ASSERT_TRUE(driver.Found()) << "no dialog with the caption appeared";
    }
    EXPECT_EQ(answer, std::nullopt);
    EXPECT_EQ(layout.label, L"Enter password: ");
    EXPECT_TRUE(layout.editMasked);
    EXPECT_EQ(layout.passwordChar, L'*');
    EXPECT_EQ(layout.limit, 255);
    EXPECT_TRUE(layout.okIsDefault);
    EXPECT_TRUE(layout.controlsInPlace);
    EXPECT_TRUE(layout.clientSize);
    EXPECT_TRUE(layout.centred);
}

struct KeyRow {
    const char* name;
    WPARAM key;
    std::optional<std::u16string> answer;
};

TEST(PasswordPromptDialog, EnterTakesTheTextAndEscapeCancels) {
    const KeyRow rows[] = {
        {"Enter presses the default OK", VK_RETURN, u"s3cr\u00e9t"},
        {"Escape presses Cancel", VK_ESCAPE, std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::optional<std::u16string> answer;
        {
            DialogDriver driver([&](HWND dialog) { TypeAndPress(dialog, L"s3cr\u00e9t", row.key); });
            answer = ShowSystemPasswordPrompt(u"Payload/X.app/secret.txt");
            ASSERT_TRUE(driver.Found());
        }
        EXPECT_EQ(answer, row.answer);
    }
}

TEST(PasswordPromptDialog, TypedTextIsCutAt255Characters) {
    std::optional<std::u16string> answer;
    {
        DialogDriver driver([](HWND dialog) {
            const HWND edit = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
            const std::wstring longText(300, L'x');
            SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(longText.c_str()));
            PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        });
        answer = ShowSystemPasswordPrompt(u"Payload/X.app/secret.txt");
        ASSERT_TRUE(driver.Found());
    }
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->size(), 255u);
}

}  // namespace
