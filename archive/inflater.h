#pragma once
// Owner of one zlib inflate stream (zlib format, or raw deflate data; 15-bit
// window). inflateEnd runs on every way out, exceptions included.

#include <zlib.h>

namespace archive {

class Inflater {
public:
    enum class Format { kZlib, kRawDeflate };

    // Calls inflateInit2; check Initialised() before use, a failure throws nothing.
    explicit Inflater(Format format = Format::kZlib) noexcept;
    ~Inflater();
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    bool Initialised() const noexcept { return initialised_; }
    z_stream& Stream() noexcept { return stream_; }

private:
    z_stream stream_{};
    bool initialised_ = false;
};

}  // namespace archive
