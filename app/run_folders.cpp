#include "app/run_folders.h"

namespace app {

std::u16string MediaFolder;
std::u16string ConverterPath;
std::u16string TempFolder;

}  // namespace app
