#include "platform/command_line.h"

#include "platform/strings.h"

namespace platform {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// The state of one pass over the command line.
class Splitter {
public:
    explicit Splitter(std::u16string_view text) : text_(text) {}

    std::vector<std::u16string> Run() {
        while (pos_ < text_.size()) Step();
        Finish();
        return std::move(arguments_);
    }

private:
    void Step() {
        const char16_t c = text_[pos_];
        if (c == u'\\') {
            Backslashes();
        } else if (c == u'"') {
            Quote();
        } else if (IsBlank(c) && !quoted_) {
            Finish();
            ++pos_;
        } else {
            Append(c);
            ++pos_;
        }
    }

    // A run of backslashes counts only when a double quote follows it.
    void Backslashes() {
        std::size_t count = 0;
        while (pos_ < text_.size() && text_[pos_] == u'\\') {
            ++count;
            ++pos_;
        }
        const bool quoteFollows = pos_ < text_.size() && text_[pos_] == u'"';
        if (!quoteFollows) {
            Append(u'\\', count);
            return;
        }
        Append(u'\\', count / 2);
        if (count % 2 == 1) {
            Append(u'"');
            ++pos_;
        }
    }

    void Quote() {
        started_ = true;
        if (quoted_ && pos_ + 1 < text_.size() && text_[pos_ + 1] == u'"') {
            Append(u'"');  // "" inside quotes: a literal quote, still quoted
            pos_ += 2;
            return;
        }
        quoted_ = !quoted_;
        ++pos_;
    }

    void Append(char16_t c, std::size_t count = 1) {
        current_.append(count, c);
        started_ = true;
    }

    void Finish() {
        if (started_) arguments_.push_back(std::move(current_));
        current_.clear();
        started_ = false;
    }

    std::u16string_view text_;
    std::size_t pos_ = 0;
    bool quoted_ = false;
    bool started_ = false;
    std::u16string current_;
    std::vector<std::u16string> arguments_;
};

}  // namespace

std::vector<std::u16string> SplitCommandLine(std::u16string_view commandLine) { return Splitter(commandLine).Run(); }

std::u16string UnquoteFileName(std::u16string_view fileName) {
    const std::u16string trimmed = Trim(fileName);
    if (trimmed.size() < 2 || trimmed.front() != u'"' || trimmed.back() != u'"') return trimmed;
    std::u16string plain;
    const std::u16string_view inner = std::u16string_view(trimmed).substr(1, trimmed.size() - 2);
    for (std::size_t i = 0; i < inner.size(); ++i) {
        plain += inner[i];
        if (inner[i] == u'"' && i + 1 < inner.size() && inner[i + 1] == u'"') ++i;
    }
    return plain;
}

}  // namespace platform
