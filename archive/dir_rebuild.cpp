#include "archive/dir_manager.h"
#include "archive/errors.h"

namespace archive {

// FIXME: the scan for local headers is not built yet; until it is, a directory
// that cannot be loaded fails the open as an archive without local headers.
void TZFDirManager::RebuildDir() { throw EZFException(35, nullptr); }

}  // namespace archive
