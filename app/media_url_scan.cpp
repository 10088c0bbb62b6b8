#include "app/media_url_scan.h"

#include <algorithm>

#include "app/library_discovery.h"
#include "platform/text_stream.h"

namespace app {

bool MediaUrlScanner::Add(std::u16string_view piece) {
    if (found_) {
        const std::size_t room = kMediaUrlPrefix.size() + kMediaUrlWindow - text_.size();
        text_ += piece.substr(0, room);
        return !Complete();
    }
    text_ += piece;
    const std::size_t prefix = text_.find(kMediaUrlPrefix);
    if (prefix == std::u16string::npos) {
        // Only a prefix cut by the piece's end can still begin here.
        const std::size_t keep = std::min(text_.size(), kMediaUrlPrefix.size() - 1);
        text_.erase(0, text_.size() - keep);
        return true;
    }
    found_ = true;
    text_.erase(0, prefix);
    text_.resize(std::min(text_.size(), kMediaUrlPrefix.size() + kMediaUrlWindow));
    return !Complete();
}

std::u16string_view MediaUrlScanner::Found() const { return found_ ? std::u16string_view(text_) : u""; }

// The answer is fixed once the window is full, or once an end marker lies
// wholly inside it: the first one is what counts.
bool MediaUrlScanner::Complete() const {
    if (text_.size() == kMediaUrlPrefix.size() + kMediaUrlWindow) return true;
    return std::u16string_view(text_).substr(kMediaUrlPrefix.size()).find(kMediaUrlEnd) != std::u16string_view::npos;
}

std::u16string ReadMediaUrlText(std::u16string_view libraryFile, std::size_t pieceSize) {
    MediaUrlScanner scanner;
    platform::ReadWholeText(libraryFile, pieceSize, [&](std::u16string_view piece) { return scanner.Add(piece); });
    return std::u16string(scanner.Found());
}

}  // namespace app
