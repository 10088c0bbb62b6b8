// What the window hands the system's COM interfaces: the list's accessible name
// (IAccPropServices) and the show-details progress on the taskbar button
// (ITaskbarList3). Wine has neither a screen reader nor a taskbar that would
// show them, so stand-ins of the two interfaces write down every call.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/accessible_names.h"
#include "app/command_progress.h"
#include "app/window/list_annotation.h"
#include "app/window/taskbar_progress.h"

namespace {

using app::window::ComPointer;
using Calls = std::vector<std::wstring>;

// Counts references like a COM object; the test keeps one of its own, so the
// object outlives every owner and its release can be checked.
template <typename Interface>
class Recorder : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }

    ULONG references = 1;
    Calls calls;
};

HWND WindowNamed(int id) { return reinterpret_cast<HWND>(static_cast<INT_PTR>(id)); }

std::wstring Describe(HWND window, DWORD object, DWORD child) {
    return std::to_wstring(reinterpret_cast<INT_PTR>(window)) + L" " + std::to_wstring(static_cast<LONG>(object)) +
           L" " + std::to_wstring(child);
}

class FakeAnnotation final : public Recorder<IAccPropServices> {
public:
    HRESULT STDMETHODCALLTYPE SetHwndPropStr(HWND window, DWORD object, DWORD child, MSAAPROPID property,
                                             LPCWSTR text) override {
        calls.push_back(L"set " + Describe(window, object, child) + (property == PROPID_ACC_NAME ? L" name " : L" ? ") +
                        text);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ClearHwndProps(HWND window, DWORD object, DWORD child, const MSAAPROPID* properties,
                                             int count) override {
        const bool name = count == 1 && properties[0] == PROPID_ACC_NAME;
        calls.push_back(L"clear " + Describe(window, object, child) + (name ? L" name" : L" ?"));
        return S_OK;
    }
    // The rest of the interface is not the window's to call.
    HRESULT STDMETHODCALLTYPE SetPropValue(const BYTE*, DWORD, MSAAPROPID, VARIANT) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE SetPropServer(const BYTE*, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                            AnnoScope) override {
        return Unexpected();
    }
    HRESULT STDMETHODCALLTYPE ClearProps(const BYTE*, DWORD, const MSAAPROPID*, int) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE SetHwndProp(HWND, DWORD, DWORD, MSAAPROPID, VARIANT) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE SetHwndPropServer(HWND, DWORD, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                                AnnoScope) override {
        return Unexpected();
    }
    HRESULT STDMETHODCALLTYPE ComposeHwndIdentityString(HWND, DWORD, DWORD, BYTE**, DWORD*) override {
        return Unexpected();
    }
    HRESULT STDMETHODCALLTYPE DecomposeHwndIdentityString(const BYTE*, DWORD, HWND*, DWORD*, DWORD*) override {
        return Unexpected();
    }
    HRESULT STDMETHODCALLTYPE SetHmenuProp(HMENU, DWORD, MSAAPROPID, VARIANT) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE SetHmenuPropStr(HMENU, DWORD, MSAAPROPID, LPCWSTR) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE SetHmenuPropServer(HMENU, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                                 AnnoScope) override {
        return Unexpected();
    }
    HRESULT STDMETHODCALLTYPE ClearHmenuProps(HMENU, DWORD, const MSAAPROPID*, int) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE ComposeHmenuIdentityString(HMENU, DWORD, BYTE**, DWORD*) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE DecomposeHmenuIdentityString(const BYTE*, DWORD, HMENU*, DWORD*) override {
        return Unexpected();
    }

private:
    HRESULT Unexpected() {
        calls.push_back(L"unexpected");
        return E_NOTIMPL;
    }
};

class FakeTaskbar final : public Recorder<ITaskbarList3> {
public:
    HRESULT STDMETHODCALLTYPE SetProgressValue(HWND window, ULONGLONG completed, ULONGLONG total) override {
        calls.push_back(L"value " + std::to_wstring(reinterpret_cast<INT_PTR>(window)) + L" " +
                        std::to_wstring(completed) + L"/" + std::to_wstring(total));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetProgressState(HWND window, TBPFLAG state) override {
        calls.push_back(L"state " + std::to_wstring(reinterpret_cast<INT_PTR>(window)) +
                        (state == TBPF_NOPROGRESS ? L" none" : L" " + std::to_wstring(state)));
        return S_OK;
    }
    // The rest of the interface is not the window's to call.
    HRESULT STDMETHODCALLTYPE HrInit() override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE AddTab(HWND) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE DeleteTab(HWND) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE ActivateTab(HWND) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE MarkFullscreenWindow(HWND, WINBOOL) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE RegisterTab(HWND, HWND) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE UnregisterTab(HWND) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE SetTabOrder(HWND, HWND) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE SetTabActive(HWND, HWND, DWORD) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE ThumbBarAddButtons(HWND, UINT, LPTHUMBBUTTON) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE ThumbBarUpdateButtons(HWND, UINT, LPTHUMBBUTTON) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE ThumbBarSetImageList(HWND, HIMAGELIST) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE SetOverlayIcon(HWND, HICON, LPCWSTR) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE SetThumbnailTooltip(HWND, LPCWSTR) override { return Unexpected(); }
    HRESULT STDMETHODCALLTYPE SetThumbnailClip(HWND, RECT*) override { return Unexpected(); }

private:
    HRESULT Unexpected() {
        calls.push_back(L"unexpected");
        return E_NOTIMPL;
    }
};

// A second reference for an owner under test.
template <typename Interface, typename Fake>
ComPointer<Interface> Lend(Fake& fake) {
    fake.AddRef();
    return ComPointer<Interface>(&fake);
}

// The list's client object is OBJID_CLIENT (-4), the object itself CHILDID_SELF (0).
const std::wstring kList = L"7 -4 0";

TEST(ListAnnotation, NamesTheListInEachLanguageFollowsTheSwitchAndTakesTheNameAway) {
    FakeAnnotation services;
    {
        app::window::ListAnnotation annotation;
        annotation.Connect(Lend<IAccPropServices>(services));
        for (const auto language : {app::Language::German, app::Language::English, app::Language::French}) {
            annotation.SetName(WindowNamed(7), app::ListAccessibleName(language));
        }
        annotation.SetName(WindowNamed(9), u"App packages");
    }
    EXPECT_EQ(services.calls, (Calls{L"set " + kList + L" name App-Pakete", L"set " + kList + L" name App packages",
                                     L"set " + kList + L" name Paquets d'applications", L"clear " + kList + L" name",
                                     L"set 9 -4 0 name App packages", L"clear 9 -4 0 name"}));
    EXPECT_EQ(services.references, 1u) << "the annotation gave its reference back";
}

TEST(ListAnnotation, WithoutTheServiceNothingIsCalled) {
    app::window::ListAnnotation annotation;
    annotation.Connect({});
    annotation.SetName(WindowNamed(7), u"App-Pakete");
    annotation.Clear();
    FakeAnnotation services;
    annotation.Connect(Lend<IAccPropServices>(services));
    annotation.SetName(nullptr, u"App-Pakete");  // no list
    annotation.Clear();
    EXPECT_EQ(services.calls, Calls{});
}

// The calls of the show-details command on its view, over `rows` rows: the count
// once, every row in order, the button restored; `failAt` throws there instead.
void RunCommand(app::ProgressDisplay* display, int rows, int failAt = -1) {
    app::CommandProgress progress(display);
    progress.Start(rows);
    for (int row = 0; row < rows; ++row) {
        if (row == failAt) throw std::runtime_error("the reply file cannot be created");
        progress.ReachRow(row);
    }
    progress.Finish();
}

TEST(TaskbarProgress, ValuesOverARunAndClearedAtTheEndOrOnAnError) {
    FakeTaskbar taskbar;
    {
        app::window::TaskbarProgress button;
        button.Connect(WindowNamed(5), Lend<ITaskbarList3>(taskbar));
        ASSERT_TRUE(button.Connected());
        RunCommand(&button, 3);
        EXPECT_THROW(RunCommand(&button, 4, 2), std::runtime_error);
    }
    EXPECT_EQ(taskbar.calls, (Calls{L"value 5 0/3", L"value 5 1/3", L"value 5 2/3", L"state 5 none", L"value 5 0/4",
                                    L"value 5 1/4", L"state 5 none"}));
    EXPECT_EQ(taskbar.references, 1u) << "the button gave its reference back";
}

TEST(TaskbarProgress, NothingBeforeTheButtonIsAnnouncedOrWithoutTheInterface) {
    app::window::TaskbarProgress button;
    EXPECT_FALSE(button.Connected());
    button.Connect(WindowNamed(5), {});  // the shell has no taskbar list
    EXPECT_FALSE(button.Connected());
    button.ShowProgress(1, 2);
    button.ClearProgress();
    FakeTaskbar taskbar;
    button.Connect(WindowNamed(5), Lend<ITaskbarList3>(taskbar));
    button.Connect(WindowNamed(5), Lend<ITaskbarList3>(taskbar));  // announced again: the shell restarted
    EXPECT_EQ(taskbar.references, 2u) << "the first reference was given back";
    EXPECT_EQ(taskbar.calls, Calls{});
}

}  // namespace
