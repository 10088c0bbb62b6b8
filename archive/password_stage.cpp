// Which password is right is decided by the member's own data: for classic
// encryption the last byte of the decrypted 12-byte header must equal the
// check byte of the local header; for AES the verifier derived with the key
// must equal the two bytes behind the salt. The typed or handed-over password
// stays in the component for the members that follow.
#include "archive/password_stage.h"

#include <algorithm>
#include <span>
#include <vector>

#include "archive/aes_decryption.h"
#include "archive/archiver.h"
#include "archive/pkware_crypt.h"
#include "archive/stream_reader.h"
#include "platform/codepage.h"
#include "platform/password_prompt.h"
#include "platform/stream.h"

namespace archive {
namespace {

bool IsAes(const TDirItem& item) { return item.ZFEncryptionAlgorithm != caPkzipClassic; }

std::size_t HeaderSize(const TDirItem& item) {
    return IsAes(item) ? AesSaltSize(item.ZFEncryptionAlgorithm) + kAesVerifierSize : kPkwareHeaderSize;
}

// The cipher a password gives, and whether the header accepts that password.
// A refused password still yields its cipher: with the event suppressed the
// member is decrypted with it all the same and then fails its tests.
struct Trial {
    std::unique_ptr<MemberCipher> cipher;
    bool right = false;
};

// An empty password counts as wrong without a test.
Trial TryClassic(const std::string& password, std::span<const std::uint8_t> header, std::uint8_t checkByte) {
    auto cipher = std::make_unique<PkwareCipher>(password);
    std::vector<std::uint8_t> plain(header.begin(), header.end());
    cipher->Decrypt(plain);
    const bool right = !password.empty() && plain.back() == checkByte;
    return {std::move(cipher), right};
}

// AE-2 members store no CRC-32; AE-1 members are tested against theirs as well.
Trial TryAes(const std::string& password, const TDirItem& item, std::span<const std::uint8_t> header) {
    const std::size_t saltSize = AesSaltSize(item.ZFEncryptionAlgorithm);
    const AesKeys keys = DeriveAesKeys(password, header.first(saltSize), AesKeySize(item.ZFEncryptionAlgorithm));
    const bool right = std::equal(keys.verifier.begin(), keys.verifier.end(), header.begin() + saltSize);
    const bool testsCrc = AesVendorVersion(item) != kAesVendorVersionAe2;
    return {std::make_unique<AesMemberCipher>(keys, testsCrc), right};
}

// The OnPassword handler, or without one the component's own prompt.
void AskForPassword(TZFBaseArchiver& arc, const TDirItem& item) {
    if (arc.OnPassword) {
        arc.OnPassword(arc, std::u16string(item.Name()), arc.FPassword, arc.FSkipFile);
        return;
    }
    if (const auto typed = platform::PasswordPrompt(item.Name())) {
        arc.FPassword = platform::WideToAnsi(*typed);
        arc.FSkipFile = false;
    } else {
        arc.FSkipFile = true;
    }
}

}  // namespace

std::int64_t EncryptionOverhead(const TDirItem& item) {
    if (!IsAes(item)) return static_cast<std::int64_t>(kPkwareHeaderSize);
    return AesOverhead(item.ZFEncryptionAlgorithm);
}

std::unique_ptr<MemberCipher> RunPasswordStage(TZFBaseArchiver& arc, const TDirItem& item,
                                               const LocalFileHeader& local) {
    platform::Stream& stream = *arc.FCompressedStream;
    const std::int64_t headerStart = stream.Position();
    const std::uint8_t checkByte = PkwareCheckByte(local.flag, local.crc32, local.lastModTime);
    std::vector<std::uint8_t> header(HeaderSize(item));
    Trial trial;
    for (;;) {
        stream.SetPosition(headerStart);
        // A header cut short accepts no password: asking again could never end.
        if (!ReadFully(stream, header)) return nullptr;
        trial = IsAes(item) ? TryAes(arc.FPassword, item, header) : TryClassic(arc.FPassword, header, checkByte);
        if (arc.FSuppressPasswordEvent || trial.right) break;
        AskForPassword(arc, item);
        if (arc.FSkipFile) return nullptr;
    }
    return std::move(trial.cipher);
}

}  // namespace archive
