#pragma once
// Small helpers the harnesses share: a scratch file of this process and the
// readings of fuzzer bytes as the program's text types.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace fuzz {

// A file only this process uses, in a RAM-backed folder where there is one;
// the harness rewrites it for every input. Removed when the owner ends.
class ScratchFile {
public:
    explicit ScratchFile(std::string_view name);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // Replaces the content with `bytes`.
    void Write(std::span<const std::uint8_t> bytes) const;
    // Windows-style, as the program's layers take paths.
    const std::u16string& Path() const { return path_; }

private:
    std::string native_;
    std::u16string path_;
};

// The bytes as 8-bit text.
std::string_view AsChars(std::span<const std::uint8_t> bytes);

// The bytes as UTF-16 code units, two bytes each (little-endian); an odd last
// byte is dropped. Every code unit can thus arrive, lone surrogates included.
std::u16string AsUtf16(std::span<const std::uint8_t> bytes);

}  // namespace fuzz
