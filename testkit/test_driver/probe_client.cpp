#include "probe_client.h"

#include "handles.h"
#include "probe_protocol.h"
#include "session.h"
#include "window_finder.h"

namespace driver {
namespace {

std::wstring DllPathBesideDriver() {
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    const size_t slash = path.find_last_of(L"\\/");
    path.resize(slash == std::wstring::npos ? 0 : slash + 1);
    return path + probe::kDllName;
}

}  // namespace

std::string QueryProbe(HWND window, long query, std::string_view request) {
    const std::wstring dllPath = DllPathBesideDriver();
    ModuleHandle dll(LoadLibraryW(dllPath.c_str()));
    if (!dll) throw StepError(L"cannot load " + dllPath);
    // FARPROC is a generic function pointer; going through void* states that the
    // export really is a hook procedure.
    const auto hook =
        reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(dll.get(), probe::kHookExport)));
    if (!hook) throw StepError(L"the probe DLL has no hook procedure");

    const std::wstring sectionName = probe::kSectionPrefix + std::to_wstring(GetCurrentProcessId());
    KernelHandle section(
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, probe::kSectionSize, sectionName.c_str()));
    if (!section) throw StepError(L"cannot create the probe's shared section");
    ViewHandle view(MapViewOfFile(section.get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, probe::kSectionSize));
    if (!view) throw StepError(L"cannot map the probe's shared section");
    auto* bytes = static_cast<char*>(view.get());
    bytes[0] = '\0';
    if (request.size() >= probe::kSectionSize - probe::kRequestOffset)
        throw StepError(L"the probe request is too long");
    request.copy(bytes + probe::kRequestOffset, request.size());
    bytes[probe::kRequestOffset + request.size()] = '\0';

    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    // The hook lives only for this one message: every other message of the program
    // would otherwise pass through it.
    HookHandle installed(SetWindowsHookExW(WH_CALLWNDPROC, hook, dll.get(), thread));
    if (!installed) throw StepError(L"cannot hook the window's thread");
    const UINT message = RegisterWindowMessageW(probe::kMessageName);
    const bool answered = SendWithTimeout(window, message, GetCurrentProcessId(), query);
    installed.reset();
    if (!answered) throw StepError(L"the window did not answer the probe in time");

    std::string json(static_cast<const char*>(view.get()));
    if (json.empty()) throw StepError(L"the probe wrote no answer");
    return json;
}

}  // namespace driver
