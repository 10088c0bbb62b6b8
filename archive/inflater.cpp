#include "archive/inflater.h"

namespace archive {

Inflater::Inflater(Format format) noexcept {
    stream_.zalloc = Z_NULL;
    stream_.zfree = Z_NULL;
    stream_.opaque = Z_NULL;
    stream_.next_in = Z_NULL;
    stream_.avail_in = 0;
    initialised_ = inflateInit2(&stream_, format == Format::kZlib ? MAX_WBITS : -MAX_WBITS) == Z_OK;
}

Inflater::~Inflater() {
    if (initialised_) inflateEnd(&stream_);
}

}  // namespace archive
