#pragma once
// Owner of one zlib inflate stream (zlib format, 15-bit window). inflateEnd runs
// on every way out, exceptions included.

#include <zlib.h>

namespace archive {

class Inflater {
public:
    // Calls inflateInit; check Initialised() before use, a failure throws nothing.
    Inflater() noexcept;
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
