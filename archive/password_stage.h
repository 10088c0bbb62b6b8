#pragma once
// The password stage of an encrypted member: find a password that its
// encryption header accepts, asking the OnPassword handler or the user, and
// set the member's data up for decryption.

#include <cstdint>
#include <optional>

#include "archive/pkware_crypt.h"
#include "archive/zip_records.h"

namespace archive {

class TZFBaseArchiver;
struct TDirItem;

// Bytes of an encrypted member's compressed size that are not member data: the
// classic encryption header, or the AES salt, verifier and authentication code.
std::int64_t EncryptionOverhead(const TDirItem& item);

// Runs the stage with the archive stream at the start of the encryption header.
// Leaves FSkipFile set when the member is skipped. Otherwise returns the cipher
// for the data behind a classic header (the stream then stands behind it), or
// nothing when the data cannot be decrypted (AES, or a header cut short): the
// member then fails its tests. Exceptions of the handler pass on.
std::optional<PkwareCipher> RunPasswordStage(TZFBaseArchiver& arc, const TDirItem& item,
                                             const LocalFileHeader& local);

}  // namespace archive
