#pragma once
// COM on the window's thread, for as long as the owner lives: a single-threaded
// apartment, as the shell and the accessibility interfaces expect of a window
// thread. Where COM cannot be initialised the program runs on without it.

#include <objbase.h>

namespace app::window {

class ComApartment {
public:
    ComApartment()
            : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    // Every successful CoInitializeEx (S_FALSE included) is matched by one CoUninitialize.
    ~ComApartment() {
        if (initialised_) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool initialised_;
};

}  // namespace app::window
