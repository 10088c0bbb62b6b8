// TForm1: FormCreate, the start-up handler, and the operations it uses.
#include "app/window/form1.h"

#include "app/library_discovery.h"
#include "app/media_url_scan.h"
#include "app/messages.h"
#include "app/package_list.h"
#include "app/run_folders.h"
#include "app/selection.h"
#include "app/window/message_boxes.h"
#include "platform/environment.h"

namespace app::window {

void SetClientAreaSize(HWND window, int width, int height) {
    RECT outer{};
    RECT client{};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    const Size size = OuterSizeForClient({outer.right - outer.left, outer.bottom - outer.top},
                                         {client.right - client.left, client.bottom - client.top}, {width, height});
    MoveWindow(window, outer.left, outer.top, size.width, size.height, TRUE);
}

// Catches nothing: an error ends it at its step, and the window's creation
// shows it. What the earlier steps set stays.
void TForm1::FormCreate() {
    PlaceOnPrimaryScreen();
    SetClientAreaSize(handle_, metrics_.startClient.width, metrics_.startClient.height);
    FixSizeLimits();
    MenuClick(MenuDeu);

    TempFolder = TempFolderFrom(platform::TempFolderPath());
    ConverterPath = FindConverterPath(platform::EnvironmentVariable(kCommonProgramFilesVariable),
                                      platform::EnvironmentVariable(kCommonProgramFilesX86Variable));
    MediaFolder = FindMediaFolder(platform::SpecialFolderPath(platform::kCsidlMyMusic));

    if (!MediaFolder.empty()) {
        MediaFolder = PackageFolder(MediaFolder);
    } else {
        ShowPlainMessage(handle_, kNoITunesMessage);
    }
    ListBox1.AddAll(ListPackageNames(MediaFolder));
    if (ListBox1.Count() == 0) {
        UploadButton.SetEnabled(false);
    } else {
        SelectFirstOnly(ListBox1);
    }
    MenuTotal.SetCaption(TotalCaption(static_cast<std::size_t>(ListBox1.Count())));
}

}  // namespace app::window
