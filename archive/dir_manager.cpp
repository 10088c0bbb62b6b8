#include "archive/dir_manager.h"

#include "archive/archiver.h"
#include "archive/errors.h"
#include "platform/stream.h"

namespace archive {

TZFDirManager::TZFDirManager(platform::Stream* stream, bool bCreate, TZFBaseArchiver* arc)
        : FCompressedStream(stream), FCreate(bCreate), FArc(arc) {
    FIsCustomStream = arc != nullptr && arc->FCompressedStream != stream;
    ResetDir();
}

void TZFDirManager::ResetDir() {
    CDir.SetCount(0);
    CentralDirEnd = TZFZipCentralDirEnd{};
    CentralDirEnd.signature = kCentralDirEndSignature;
    CentralDirEnd.diskNumber = 0;
    CentralDirEnd.startDiskNumber = 0;
}

// Nothing else of the load runs after the rebuild: no zip64 handling, stub
// detection or offset adjustment.
void TZFDirManager::RecoverDir() {
    CDir.Clear();
    if (FArc != nullptr && FArc->FSpanningMode != smNone) throw EZFException(NativeCode::kMultiVolume, nullptr);
    RebuildDir();
    CentralDirOffset = FCompressedStream->Size();
}

}  // namespace archive
