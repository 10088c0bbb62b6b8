#pragma once
// What the data loop and the final tests need of an encrypted member's cipher,
// whichever encryption the member uses.

#include <cstdint>
#include <span>

namespace platform {
class Stream;
}

namespace archive {

class MemberCipher {
public:
    virtual ~MemberCipher() = default;

    // Decrypts one chunk of member data in place, continuing the chunks before it.
    virtual void Decrypt(std::span<std::uint8_t> data) = 0;

    // Called once after the last chunk, with `archive` positioned right behind the
    // member data: whether data that carry their own proof (an authentication
    // code) are intact. Ciphers without one accept.
    virtual bool DataAuthenticated(platform::Stream& /*archive*/) { return true; }

    // Whether the member's CRC-32 is to be tested as well.
    virtual bool TestsCrc() const { return true; }
};

}  // namespace archive
