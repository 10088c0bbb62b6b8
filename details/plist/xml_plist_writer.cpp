#include "details/plist/xml_plist_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>
#include <vector>

#include "details/plist/base64.h"
#include "details/plist/plist_date.h"

namespace plist {

namespace {

constexpr std::string_view kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n";
constexpr std::string_view kFooter = "</plist>\n";

// Base64 lines are at most 76 columns, a tab counting 8; deep nesting stops
// indenting them further after 8 tabs.
constexpr std::size_t kDataLineColumns = 76;
constexpr std::size_t kMaxDataIndent = 8;

// The document being written. Every line but the first starts with an
// indentation, where the bound is checked: a line is never longer than its
// value's text, so the document overshoots the bound by one line at most
// before the writer gives up, however deep or wide the list.
class Output {
public:
    explicit Output(std::size_t maxBytes) : maxBytes_(maxBytes) {}

    void Indent(std::size_t depth) {
        if (text_.size() > maxBytes_) throw PlistError("XML text longer than " + std::to_string(maxBytes_) + " bytes");
        text_.append(depth, '\t');
    }
    Output& operator+=(std::string_view text) {
        text_ += text;
        return *this;
    }
    Output& operator+=(char c) {
        text_ += c;
        return *this;
    }
    std::string Finish() {
        Indent(0);
        return std::move(text_);
    }

private:
    std::string text_;
    std::size_t maxBytes_;
};

void Indent(Output& out, std::size_t depth) { out.Indent(depth); }

// The three characters that would end the text early; quotes need no escape in content.
void AppendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out.push_back(c);
        }
    }
}

void AppendElement(Output& out, std::string_view name, std::string_view escapedText) {
    out += '<';
    out += name;
    out += '>';
    out += escapedText;
    out += "</";
    out += name;
    out += ">\n";
}

std::string FormatReal(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "+infinity" : "-infinity";
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string FormatInteger(const Value& value) {
    return value.isUnsigned ? std::to_string(static_cast<std::uint64_t>(value.integer)) : std::to_string(value.integer);
}

void WriteData(Output& out, std::string_view bytes, std::size_t depth) {
    out += "<data>\n";
    const std::string encoded = EncodeBase64(bytes);
    const std::size_t lineLength = kDataLineColumns - 8 * std::min(depth, kMaxDataIndent);
    for (std::size_t pos = 0; pos < encoded.size(); pos += lineLength) {
        Indent(out, depth);
        out += std::string_view(encoded).substr(pos, lineLength);
        out += '\n';
    }
    Indent(out, depth);
    out += "</data>\n";
}

// Entry order of a dictionary: by key, and of keys given twice only the last.
std::vector<std::size_t> SortedEntries(const Value& dict) {
    std::vector<std::size_t> order(dict.keys.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return dict.keys[a] < dict.keys[b]; });
    std::vector<std::size_t> unique;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (i + 1 < order.size() && dict.keys[order[i]] == dict.keys[order[i + 1]]) continue;
        unique.push_back(order[i]);
    }
    return unique;
}

void WriteValue(Output& out, const Value& value, std::size_t depth);

void WriteDict(Output& out, const Value& dict, std::size_t depth) {
    if (dict.keys.empty()) {
        out += "<dict/>\n";
        return;
    }
    out += "<dict>\n";
    for (std::size_t index : SortedEntries(dict)) {
        Indent(out, depth + 1);
        std::string key;
        AppendEscaped(key, dict.keys[index]);
        AppendElement(out, "key", key);
        Indent(out, depth + 1);
        WriteValue(out, dict.items[index], depth + 1);
    }
    Indent(out, depth);
    out += "</dict>\n";
}

void WriteArray(Output& out, const Value& array, std::size_t depth) {
    if (array.items.empty()) {
        out += "<array/>\n";
        return;
    }
    out += "<array>\n";
    for (const Value& item : array.items) {
        Indent(out, depth + 1);
        WriteValue(out, item, depth + 1);
    }
    Indent(out, depth);
    out += "</array>\n";
}

// A keyed-archive reference has no XML element: it is written as the
// dictionary {CF$UID: n}.
void WriteUid(Output& out, const Value& uid, std::size_t depth) {
    Value dict = Value::Dict();
    dict.Set("CF$UID", Value::Unsigned(static_cast<std::uint64_t>(uid.integer)));
    WriteDict(out, dict, depth);
}

// The caller has written the indentation of the value's first line.
void WriteValue(Output& out, const Value& value, std::size_t depth) {
    switch (value.kind) {
    case Kind::kDict:
        WriteDict(out, value, depth);
        break;
    case Kind::kArray:
        WriteArray(out, value, depth);
        break;
    case Kind::kString: {
        std::string text;
        AppendEscaped(text, value.text);
        AppendElement(out, "string", text);
        break;
    }
    case Kind::kInteger:
        AppendElement(out, "integer", FormatInteger(value));
        break;
    case Kind::kReal:
        AppendElement(out, "real", FormatReal(value.real));
        break;
    case Kind::kBoolean:
        out += value.boolean ? "<true/>\n" : "<false/>\n";
        break;
    case Kind::kDate:
        AppendElement(out, "date", FormatDate(value.real));
        break;
    case Kind::kData:
        WriteData(out, value.text, depth);
        break;
    case Kind::kUid:
        WriteUid(out, value, depth);
        break;
    }
}

}  // namespace

std::string WriteXmlPlist(const Value& top, std::size_t maxBytes) {
    Output out(maxBytes);
    out += kHeader;
    WriteValue(out, top, 0);
    out += kFooter;
    return out.Finish();
}

}  // namespace plist
