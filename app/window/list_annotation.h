#pragma once
// The package list's accessible name, through the system's dynamic annotation
// (IAccPropServices). The list has no visible label, so a screen reader would
// announce it without a name; its rows, their selection and the focus remain
// what the standard list box gives, since only the name is annotated.

#include <windows.h>
#include <oleacc.h>

#include <string_view>

#include "app/window/win32_handles.h"

namespace app::window {

// The system's annotation service, or null where COM or the service is
// missing (the window then simply has no annotation).
ComPointer<IAccPropServices> CreateAnnotationServices();

class ListAnnotation {
public:
    ListAnnotation() = default;
    ~ListAnnotation() { Clear(); }
    ListAnnotation(const ListAnnotation&) = delete;
    ListAnnotation& operator=(const ListAnnotation&) = delete;

    // Takes over one reference to the service; null annotates nothing.
    void Connect(ComPointer<IAccPropServices> services);
    // Gives `control`'s client object the name, replacing the one given before
    // (a name for another control takes the old one away first).
    void SetName(HWND control, std::u16string_view name);
    // Takes the name away; called before the control is destroyed.
    void Clear();

private:
    ComPointer<IAccPropServices> services_;
    HWND annotated_ = nullptr;
};

}  // namespace app::window
