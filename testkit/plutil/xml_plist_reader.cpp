#include "testkit/plutil/xml_plist_reader.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "details/plist/base64.h"
#include "details/plist/plist_date.h"
#include "details/plist/plist_utf.h"

namespace plist {

namespace {

constexpr int kMaxDepth = 512;

[[noreturn]] void Fail(const std::string& what) { throw PlistError("XML property list: " + what); }

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == ':' ||
           c == '-' || c == '.';
}

std::string_view TrimSpace(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return text;
}

struct Tag {
    std::string name;
    bool closing = false;
    bool selfClosing = false;
};

class XmlReader {
public:
    explicit XmlReader(std::string_view text) : s_(text) {}
    Value ReadDocument();

private:
    bool StartsWith(std::string_view prefix) const { return s_.substr(pos_, prefix.size()) == prefix; }
    void SkipPast(std::string_view terminator, const char* what);
    void SkipMisc();
    void SkipDoctype();
    Tag ReadTag();
    Tag ReadStartTag();
    std::string ReadText(const Tag& open);
    void AppendReference(std::string& out);
    Value ReadValue(const Tag& open, int depth);
    Value ReadDict(int depth);
    Value ReadArray(int depth);

    std::string_view s_;
    std::size_t pos_ = 0;
};

void XmlReader::SkipPast(std::string_view terminator, const char* what) {
    const std::size_t end = s_.find(terminator, pos_);
    if (end == std::string_view::npos) Fail(std::string("unterminated ") + what);
    pos_ = end + terminator.size();
}

// White space, comments and processing instructions between elements.
void XmlReader::SkipMisc() {
    for (;;) {
        while (pos_ < s_.size() && IsSpace(s_[pos_])) ++pos_;
        if (StartsWith("<!--")) {
            SkipPast("-->", "comment");
        } else if (StartsWith("<?")) {
            SkipPast("?>", "processing instruction");
        } else {
            return;
        }
    }
}

// The DOCTYPE is skipped unread; an internal subset in brackets is skipped too.
void XmlReader::SkipDoctype() {
    int brackets = 0;
    for (pos_ += 9; pos_ < s_.size(); ++pos_) {
        const char c = s_[pos_];
        if (c == '[') ++brackets;
        if (c == ']') --brackets;
        if (c == '>' && brackets <= 0) {
            ++pos_;
            return;
        }
    }
    Fail("unterminated DOCTYPE");
}

Tag XmlReader::ReadTag() {
    if (pos_ >= s_.size() || s_[pos_] != '<') Fail("element expected");
    ++pos_;
    Tag tag;
    if (pos_ < s_.size() && s_[pos_] == '/') {
        tag.closing = true;
        ++pos_;
    }
    while (pos_ < s_.size() && IsNameChar(s_[pos_])) tag.name.push_back(s_[pos_++]);
    if (tag.name.empty()) Fail("element name expected");
    char quote = 0;  // attributes are skipped; a ">" inside quotes does not end the tag
    for (; pos_ < s_.size(); ++pos_) {
        const char c = s_[pos_];
        if (quote != 0) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            if (tag.closing) Fail("attribute in an end tag");
            quote = c;
        } else if (c == '>') {
            tag.selfClosing = !tag.closing && s_[pos_ - 1] == '/';
            ++pos_;
            return tag;
        } else if (c == '<') {
            break;
        }
    }
    Fail("unterminated tag <" + tag.name);
}

Tag XmlReader::ReadStartTag() {
    SkipMisc();
    Tag tag = ReadTag();
    if (tag.closing) Fail("unexpected </" + tag.name + ">");
    return tag;
}

void XmlReader::AppendReference(std::string& out) {
    const std::size_t end = s_.find(';', pos_);
    if (end == std::string_view::npos || end - pos_ > 12) Fail("bad entity reference");
    const std::string_view name = s_.substr(pos_ + 1, end - pos_ - 1);
    pos_ = end + 1;
    if (name == "amp") return out.push_back('&');
    if (name == "lt") return out.push_back('<');
    if (name == "gt") return out.push_back('>');
    if (name == "quot") return out.push_back('"');
    if (name == "apos") return out.push_back('\'');
    if (name.size() < 2 || name[0] != '#') Fail("unknown entity &" + std::string(name) + ";");
    const bool hex = name[1] == 'x';
    const std::string_view digits = name.substr(hex ? 2 : 1);
    std::uint32_t code = 0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
    if (digits.empty() || result.ec != std::errc() || result.ptr != digits.data() + digits.size() || code == 0 ||
        code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        Fail("bad character reference");
    }
    AppendUtf8(out, code);
}

// Character content up to the matching end tag. Line breaks are normalised to
// LF as XML requires; an element inside is an error.
std::string XmlReader::ReadText(const Tag& open) {
    std::string text;
    if (open.selfClosing) return text;
    while (pos_ < s_.size()) {
        const char c = s_[pos_];
        if (c == '&') {
            AppendReference(text);
        } else if (StartsWith("<![CDATA[")) {
            const std::size_t start = pos_ + 9;
            SkipPast("]]>", "CDATA section");
            text.append(s_.substr(start, pos_ - 3 - start));
        } else if (StartsWith("<!--")) {
            SkipPast("-->", "comment");
        } else if (c == '<') {
            const Tag tag = ReadTag();
            if (!tag.closing) Fail("<" + tag.name + "> inside <" + open.name + ">");
            if (tag.name != open.name) Fail("</" + tag.name + "> does not close <" + open.name + ">");
            return text;
        } else if (c == '\r') {
            text.push_back('\n');
            pos_ += StartsWith("\r\n") ? 2 : 1;
        } else {
            text.push_back(c);
            ++pos_;
        }
    }
    Fail("unterminated <" + open.name + ">");
}

Value ParseInteger(std::string_view text) {
    text = TrimSpace(text);
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    std::uint64_t magnitude = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) Fail("bad <integer>");
    if (!negative) return Value::Unsigned(magnitude);
    if (magnitude > std::uint64_t{1} << 63) Fail("<integer> below the 64-bit range");
    return Value::Integer(static_cast<std::int64_t>(0 - magnitude));
}

Value ParseReal(std::string_view text) {
    text = TrimSpace(text);
    std::string lower;
    for (char c : text) lower.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c);
    if (lower == "nan") return Value::Real(std::numeric_limits<double>::quiet_NaN());
    if (lower == "inf" || lower == "infinity" || lower == "+inf" || lower == "+infinity") {
        return Value::Real(std::numeric_limits<double>::infinity());
    }
    if (lower == "-inf" || lower == "-infinity") return Value::Real(-std::numeric_limits<double>::infinity());
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double number = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) Fail("bad <real>");
    return Value::Real(number);
}

Value XmlReader::ReadValue(const Tag& open, int depth) {
    if (depth > kMaxDepth) Fail("nesting too deep");
    const std::string& name = open.name;
    if (name == "dict") return open.selfClosing ? Value::Dict() : ReadDict(depth);
    if (name == "array") return open.selfClosing ? Value::Array() : ReadArray(depth);
    const std::string text = ReadText(open);
    if (name == "string") return Value::String(text);
    if (name == "integer") return ParseInteger(text);
    if (name == "real") return ParseReal(text);
    if (name == "true" || name == "false") {
        if (!TrimSpace(text).empty()) Fail("text inside <" + name + ">");
        return Value::Boolean(name == "true");
    }
    if (name == "date") {
        const std::optional<double> date = ParseDate(TrimSpace(text));
        if (!date) Fail("bad <date>");
        return Value::Date(*date);
    }
    if (name == "data") {
        std::optional<std::string> bytes = DecodeBase64(text);
        if (!bytes) Fail("bad base64 in <data>");
        return Value::Data(std::move(*bytes));
    }
    Fail("unknown element <" + name + ">");
}

Value XmlReader::ReadDict(int depth) {
    Value dict = Value::Dict();
    for (;;) {
        SkipMisc();
        const Tag tag = ReadTag();
        if (tag.closing) {
            if (tag.name != "dict") Fail("unexpected </" + tag.name + "> in <dict>");
            return dict;
        }
        if (tag.name != "key") Fail("<key> expected in <dict>, found <" + tag.name + ">");
        std::string key = ReadText(tag);
        Value value = ReadValue(ReadStartTag(), depth + 1);
        dict.keys.push_back(std::move(key));
        dict.items.push_back(std::move(value));
    }
}

Value XmlReader::ReadArray(int depth) {
    Value array = Value::Array();
    for (;;) {
        SkipMisc();
        const Tag tag = ReadTag();
        if (tag.closing) {
            if (tag.name != "array") Fail("unexpected </" + tag.name + "> in <array>");
            return array;
        }
        array.items.push_back(ReadValue(tag, depth + 1));
    }
}

Value XmlReader::ReadDocument() {
    if (StartsWith("\xEF\xBB\xBF")) pos_ += 3;
    if (!IsValidUtf8(s_.substr(pos_))) Fail("not UTF-8");
    SkipMisc();
    if (StartsWith("<!DOCTYPE")) SkipDoctype();
    Tag root = ReadStartTag();
    Value value;
    if (root.name == "plist") {
        if (root.selfClosing) Fail("empty <plist>");
        value = ReadValue(ReadStartTag(), 1);
        SkipMisc();
        const Tag end = ReadTag();
        if (!end.closing || end.name != "plist") Fail("</plist> expected");
    } else {
        value = ReadValue(root, 1);
    }
    SkipMisc();
    if (pos_ != s_.size()) Fail("text after the document");
    return value;
}

}  // namespace

Value ReadXmlPlist(std::string_view text) { return XmlReader(text).ReadDocument(); }

}  // namespace plist
