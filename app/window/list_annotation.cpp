#include "app/window/list_annotation.h"

#include <string>

#include "platform/win32/wide.h"

namespace app::window {
namespace {

// The annotation is made on the control's client object itself (not one of
// its children, the rows), which is what a screen reader names when the
// control takes the focus. OBJID_CLIENT is a negative LONG; the interface
// takes it as a DWORD.
constexpr DWORD kClientObject = static_cast<DWORD>(OBJID_CLIENT);
constexpr DWORD kSelf = CHILDID_SELF;

}  // namespace

ComPointer<IAccPropServices> CreateAnnotationServices() {
    IAccPropServices* services = nullptr;
    if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                reinterpret_cast<void**>(&services)))) {
        return {};
    }
    return ComPointer<IAccPropServices>(services);
}

void ListAnnotation::Connect(ComPointer<IAccPropServices> services) {
    Clear();
    services_ = std::move(services);
}

void ListAnnotation::SetName(HWND control, std::u16string_view name) {
    if (!services_ || control == nullptr) return;
    if (annotated_ != nullptr && annotated_ != control) Clear();
    const std::wstring text = platform::win32::ToWchar(name);
    if (FAILED(services_.get()->SetHwndPropStr(control, kClientObject, kSelf, PROPID_ACC_NAME, text.c_str()))) return;
    annotated_ = control;
    // A screen reader keeps the names it has read: a new one is announced.
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, control, OBJID_CLIENT, CHILDID_SELF);
}

void ListAnnotation::Clear() {
    if (!services_ || annotated_ == nullptr) return;
    const MSAAPROPID properties[] = {PROPID_ACC_NAME};
    services_.get()->ClearHwndProps(annotated_, kClientObject, kSelf, properties, 1);
    annotated_ = nullptr;
}

}  // namespace app::window
