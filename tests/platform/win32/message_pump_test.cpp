// The wait's own pump of window messages, on Windows only: a message posted to
// one of the thread's windows is dispatched while the program runs, and a quit
// request outlives the wait. A message-only window needs no display.

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/strings.h"
#include "tests/support/helper_programs.h"
#include "tests/support/temp_dir.h"

using platform::FileExists;
using platform::QuoteString;
using testing_support::TempDir;

namespace {

constexpr UINT kProbeMessage = WM_APP + 7;

// The slow writer waits for the gate file; the probe opens it once it has
// looked, so the look happens while the program runs, however slow the machine.
struct Probe {
    const TempDir& dir;
    std::u16string watchedFile;
    int handled = 0;
    bool fileExistedWhenHandled = true;
};

std::u16string GatePath(const TempDir& dir) { return dir.File(u"gate"); }
void OpenGate(const TempDir& dir) { dir.Write(u"gate", "open"); }

LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kProbeMessage) {
        auto* probe = reinterpret_cast<Probe*>(lParam);
        ++probe->handled;
        probe->fileExistedWhenHandled = FileExists(probe->watchedFile);
        OpenGate(probe->dir);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class MessageWindow {
public:
    MessageWindow() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = ProbeProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"VantrelWaitProbe";
        RegisterClassW(&windowClass);  // fails harmlessly when a previous test registered it
        window_ = CreateWindowExW(0, L"VantrelWaitProbe", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    }
    ~MessageWindow() {
        if (window_) DestroyWindow(window_);
    }
    HWND get() const { return window_; }

private:
    HWND window_ = nullptr;
};

std::u16string GatedWriterParameters(const TempDir& dir, const std::u16string& file) {
    return u" " + QuoteString(u"@" + GatePath(dir)) + u" done " + QuoteString(file);
}

// Removes a pending quit message; its exit code, or -1 when none was pending.
int TakeQuitMessage() {
    MSG message{};
    if (!PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return -1;
    return static_cast<int>(message.wParam);
}

}  // namespace

TEST(RunAndWaitMessages, PostedMessageIsDispatchedDuringTheWait) {
    TempDir dir;
    MessageWindow window;
    ASSERT_NE(window.get(), nullptr);
    Probe probe{dir, dir.File(u"out.txt")};
    ASSERT_TRUE(PostMessageW(window.get(), kProbeMessage, 0, reinterpret_cast<LPARAM>(&probe)));
    ASSERT_TRUE(platform::RunAndWait(QuoteString(testing_support::SlowWriterProgram()),
                                     GatedWriterParameters(dir, probe.watchedFile), u"OPEN", SW_HIDE, u""));
    EXPECT_EQ(probe.handled, 1);
    EXPECT_FALSE(probe.fileExistedWhenHandled);
    EXPECT_TRUE(FileExists(probe.watchedFile));
}

TEST(RunAndWaitMessages, PostedQuitSurvivesTheWait) {
    TempDir dir;
    const std::u16string out = dir.File(u"out.txt");
    PostQuitMessage(7);
    ASSERT_TRUE(platform::RunAndWait(QuoteString(testing_support::SlowWriterProgram()), GatedWriterParameters(dir, out),
                                     u"OPEN", SW_HIDE, u""));
    EXPECT_FALSE(FileExists(out)) << "the wait did not end at the quit request";
    EXPECT_EQ(TakeQuitMessage(), 7);
    EXPECT_EQ(TakeQuitMessage(), -1) << "the quit request was posted more than once";
    // The program was not stopped; let it finish before its folder goes.
    OpenGate(dir);
    for (int i = 0; i < 3000 && !FileExists(out); ++i) Sleep(20);
    EXPECT_TRUE(FileExists(out));
}
