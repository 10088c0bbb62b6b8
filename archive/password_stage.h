#pragma once
// The password stage of an encrypted member: find a password that its
// encryption header accepts, asking the OnPassword handler or the user, and
// set the member's data up for decryption.

#include <cstdint>
#include <memory>

#include "archive/member_cipher.h"
#include "archive/zip_records.h"

namespace archive {

class TZFBaseArchiver;
class TDirItem;

// Bytes of an encrypted member's compressed size that are not member data: the
// classic encryption header, or the AES salt, verifier and authentication code.
std::int64_t EncryptionOverhead(const TDirItem& item);

// Runs the stage with the archive stream at the start of the encryption header
// (the classic header, or the AES salt and verifier). Leaves FSkipFile set when
// the member is skipped. Otherwise returns the cipher for the data behind the
// header (the stream then stands there), or nothing when the header is cut
// short: the member then fails. Exceptions of the handler and the platform's
// crypto errors pass on.
std::unique_ptr<MemberCipher> RunPasswordStage(TZFBaseArchiver& arc, const TDirItem& item,
                                               const LocalFileHeader& local);

}  // namespace archive
