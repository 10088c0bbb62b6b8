#include "archive/inflater.h"

namespace archive {

Inflater::Inflater() noexcept {
    stream_.zalloc = Z_NULL;
    stream_.zfree = Z_NULL;
    stream_.opaque = Z_NULL;
    stream_.next_in = Z_NULL;
    stream_.avail_in = 0;
    initialised_ = inflateInit(&stream_) == Z_OK;
}

Inflater::~Inflater() {
    if (initialised_) inflateEnd(&stream_);
}

}  // namespace archive
