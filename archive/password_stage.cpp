// Which password is right is decided by the member's own data: for classic
// encryption the last byte of the decrypted 12-byte header must equal the
// check byte of the local header. The typed or handed-over password stays in
// the component for the members that follow.
#include "archive/password_stage.h"

#include <array>

#include "archive/archiver.h"
#include "platform/codepage.h"
#include "platform/password_prompt.h"
#include "platform/stream.h"

namespace archive {
namespace {

constexpr std::int64_t kAesVerifierSize = 2;
constexpr std::int64_t kAesAuthCodeSize = 10;

bool IsAes(const TDirItem& item) { return item.ZFEncryptionAlgorithm != caPkzipClassic; }

std::int64_t AesSaltSize(TZFCryptoAlgorithm algorithm) {
    switch (algorithm) {
        case caAES_128: return 8;
        case caAES_192: return 12;
        default: return 16;
    }
}

using Header = std::array<std::uint8_t, kPkwareHeaderSize>;

// Reads the classic encryption header at the stream position; nothing when the
// member is too short to hold it.
std::optional<Header> ReadHeader(platform::Stream& stream) {
    Header header{};
    std::size_t arrived = 0;
    while (arrived < header.size()) {
        const std::size_t got = stream.Read(header.data() + arrived, header.size() - arrived);
        if (got == 0) return std::nullopt;
        arrived += got;
    }
    return header;
}

// FIXME: AES password verifiers need the key derivation of the write road; until
// it exists, any non-empty password passes the stage and the member then fails.
bool PasswordIsRight(const TZFBaseArchiver& arc, const TDirItem& item, const std::optional<Header>& header,
                     std::uint8_t checkByte) {
    if (arc.FPassword.empty()) return false;
    if (IsAes(item)) return true;
    return header && PkwareHeaderMatches(arc.FPassword, *header, checkByte);
}

// The OnPassword handler, or without one the component's own prompt.
void AskForPassword(TZFBaseArchiver& arc, const TDirItem& item) {
    if (arc.OnPassword) {
        arc.OnPassword(arc, std::u16string(item.Name), arc.FPassword, arc.FSkipFile);
        return;
    }
    if (const auto typed = platform::PasswordPrompt(item.Name)) {
        arc.FPassword = platform::WideToAnsi(*typed);
        arc.FSkipFile = false;
    } else {
        arc.FSkipFile = true;
    }
}

}  // namespace

std::int64_t EncryptionOverhead(const TDirItem& item) {
    if (!IsAes(item)) return static_cast<std::int64_t>(kPkwareHeaderSize);
    return AesSaltSize(item.ZFEncryptionAlgorithm) + kAesVerifierSize + kAesAuthCodeSize;
}

std::optional<PkwareCipher> RunPasswordStage(TZFBaseArchiver& arc, const TDirItem& item,
                                             const LocalFileHeader& local) {
    platform::Stream& stream = *arc.FCompressedStream;
    const std::int64_t headerStart = stream.Position();
    const std::uint8_t checkByte = PkwareCheckByte(local.flag, local.crc32, local.lastModTime);
    std::optional<Header> header;
    for (;;) {
        stream.SetPosition(headerStart);
        header = IsAes(item) ? std::nullopt : ReadHeader(stream);
        // A classic header cut short accepts no password: asking again could never end.
        if (!IsAes(item) && !header) return std::nullopt;
        const bool right = PasswordIsRight(arc, item, header, checkByte);
        if (arc.FSuppressPasswordEvent || right) break;
        AskForPassword(arc, item);
        if (arc.FSkipFile) return std::nullopt;
    }
    if (IsAes(item)) return std::nullopt;
    PkwareCipher cipher(arc.FPassword);
    Header plain = *header;
    cipher.Decrypt(plain);
    return cipher;
}

}  // namespace archive
