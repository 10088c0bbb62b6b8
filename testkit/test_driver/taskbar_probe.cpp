#include "taskbar_probe.h"

#include <shobjidl.h>

#include <cstring>
#include <vector>

#include "import_patch.h"
#include "json_writer.h"

namespace driver {
namespace {

std::vector<std::string> recordedCalls;

const char* StateName(TBPFLAG state) {
    switch (state) {
    case TBPF_NOPROGRESS:
        return "none";
    case TBPF_INDETERMINATE:
        return "indeterminate";
    case TBPF_NORMAL:
        return "normal";
    case TBPF_ERROR:
        return "error";
    case TBPF_PAUSED:
        return "paused";
    }
    return "?";
}

// Lives as long as the process: its reference count only answers.
class RecordingTaskbar final : public ITaskbarList3 {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_ITaskbarList || iid == IID_ITaskbarList2 || iid == IID_ITaskbarList3) {
            *object = static_cast<ITaskbarList3*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE HrInit() override { return Record("init"); }
    HRESULT STDMETHODCALLTYPE SetProgressValue(HWND, ULONGLONG completed, ULONGLONG total) override {
        return Record("value " + std::to_string(completed) + "/" + std::to_string(total));
    }
    HRESULT STDMETHODCALLTYPE SetProgressState(HWND, TBPFLAG state) override {
        return Record(std::string("state ") + StateName(state));
    }
    HRESULT STDMETHODCALLTYPE AddTab(HWND) override { return Record("AddTab"); }
    HRESULT STDMETHODCALLTYPE DeleteTab(HWND) override { return Record("DeleteTab"); }
    HRESULT STDMETHODCALLTYPE ActivateTab(HWND) override { return Record("ActivateTab"); }
    HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND) override { return Record("SetActiveAlt"); }
    HRESULT STDMETHODCALLTYPE MarkFullscreenWindow(HWND, WINBOOL) override { return Record("MarkFullscreenWindow"); }
    HRESULT STDMETHODCALLTYPE RegisterTab(HWND, HWND) override { return Record("RegisterTab"); }
    HRESULT STDMETHODCALLTYPE UnregisterTab(HWND) override { return Record("UnregisterTab"); }
    HRESULT STDMETHODCALLTYPE SetTabOrder(HWND, HWND) override { return Record("SetTabOrder"); }
    HRESULT STDMETHODCALLTYPE SetTabActive(HWND, HWND, DWORD) override { return Record("SetTabActive"); }
    HRESULT STDMETHODCALLTYPE ThumbBarAddButtons(HWND, UINT, LPTHUMBBUTTON) override {
        return Record("ThumbBarAddButtons");
    }
    HRESULT STDMETHODCALLTYPE ThumbBarUpdateButtons(HWND, UINT, LPTHUMBBUTTON) override {
        return Record("ThumbBarUpdateButtons");
    }
    HRESULT STDMETHODCALLTYPE ThumbBarSetImageList(HWND, HIMAGELIST) override { return Record("ThumbBarSetImageList"); }
    HRESULT STDMETHODCALLTYPE SetOverlayIcon(HWND, HICON, LPCWSTR) override { return Record("SetOverlayIcon"); }
    HRESULT STDMETHODCALLTYPE SetThumbnailTooltip(HWND, LPCWSTR) override { return Record("SetThumbnailTooltip"); }
    HRESULT STDMETHODCALLTYPE SetThumbnailClip(HWND, RECT*) override { return Record("SetThumbnailClip"); }

private:
    static HRESULT Record(std::string call) {
        recordedCalls.push_back(std::move(call));
        return S_OK;
    }
};

RecordingTaskbar recordingTaskbar;

using CoCreateInstanceFunction = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
CoCreateInstanceFunction realCoCreateInstance = nullptr;

HRESULT WINAPI CoCreateInstanceWithTaskbar(REFCLSID classId, LPUNKNOWN outer, DWORD context, REFIID iid,
                                           LPVOID* object) {
    if (classId == CLSID_TaskbarList) return recordingTaskbar.QueryInterface(iid, object);
    return realCoCreateInstance(classId, outer, context, iid, object);
}

bool Install() {
    if (realCoCreateInstance != nullptr) return true;
    void* original =
        PatchImport("ole32.dll", "CoCreateInstance", reinterpret_cast<void*>(&CoCreateInstanceWithTaskbar));
    realCoCreateInstance = reinterpret_cast<CoCreateInstanceFunction>(original);
    return realCoCreateInstance != nullptr;
}

}  // namespace

std::string TaskbarJson(HWND main, const char* request) {
    JsonWriter json;
    const bool install = std::strcmp(request, "install") == 0;
    const bool announce = std::strcmp(request, "announce") == 0;
    if (!install && !announce && std::strcmp(request, "calls") != 0) {
        json.Field("error", "the request is not install, announce or calls");
        return json.Finish();
    }
    if ((install || announce) && !Install()) {
        json.Field("error", "the program imports no CoCreateInstance from ole32.dll");
        return json.Finish();
    }
    if (announce) PostMessageW(main, RegisterWindowMessageW(L"TaskbarButtonCreated"), 0, 0);
    json.Field("installed", realCoCreateInstance != nullptr).Field("announced", announce);
    json.Key("calls").BeginArray();
    for (const std::string& call : recordedCalls) json.String(call);
    json.EndArray();
    return json.Finish();
}

}  // namespace driver
