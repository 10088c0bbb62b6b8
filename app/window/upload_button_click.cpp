// TForm1: the click of the show-details button.
#include "app/window/form1.h"

namespace app::window {

// FIXME: the show-details command (details/) is not wired yet; until then the
// click does nothing.
void TForm1::UploadButtonClick() {}

}  // namespace app::window
