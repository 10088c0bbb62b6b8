#include "json_writer.h"

namespace driver {

JsonWriter::JsonWriter() : text_(1, '{') { open_.push_back({'}', false}); }

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (open_.back().hasElement) text_ += ',';
    open_.back().hasElement = true;
}

void JsonWriter::AppendEscaped(unsigned codeUnit) {
    char shortEscape = 0;
    switch (codeUnit) {
    case '"':
        shortEscape = '"';
        break;
    case '\\':
        shortEscape = '\\';
        break;
    case '\n':
        shortEscape = 'n';
        break;
    case '\r':
        shortEscape = 'r';
        break;
    case '\t':
        shortEscape = 't';
        break;
    default:
        break;
    }
    if (shortEscape) {
        text_.push_back('\\');
        text_.push_back(shortEscape);
        return;
    }
    if (codeUnit >= 0x20 && codeUnit < 0x7F) {
        text_ += static_cast<char>(codeUnit);
        return;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    text_.push_back('\\');
    text_.push_back('u');
    for (int shift = 12; shift >= 0; shift -= 4) text_.push_back(kHex[(codeUnit >> shift) & 0xFu]);
}

JsonWriter& JsonWriter::Key(std::string_view name) {
    BeforeValue();
    text_ += '"';
    for (char c : name) AppendEscaped(static_cast<unsigned char>(c));
    text_ += "\":";
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::wstring_view value) {
    BeforeValue();
    text_ += '"';
    // wchar_t is a UTF-16 code unit here; surrogate pairs pass as two escapes, as JSON wants.
    for (wchar_t c : value) AppendEscaped(static_cast<unsigned>(c));
    text_ += '"';
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view asciiValue) {
    BeforeValue();
    text_ += '"';
    for (char c : asciiValue) AppendEscaped(static_cast<unsigned char>(c));
    text_ += '"';
    return *this;
}

JsonWriter& JsonWriter::Number(long long value) {
    BeforeValue();
    text_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
    BeforeValue();
    text_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Null() {
    BeforeValue();
    text_ += "null";
    return *this;
}

JsonWriter& JsonWriter::Raw(std::string_view json) {
    BeforeValue();
    text_ += json;
    return *this;
}

JsonWriter& JsonWriter::BeginObject() {
    BeforeValue();
    text_ += '{';
    open_.push_back({'}', false});
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    text_ += '}';
    open_.pop_back();
    return *this;
}

JsonWriter& JsonWriter::BeginArray() {
    BeforeValue();
    text_ += '[';
    open_.push_back({']', false});
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    text_ += ']';
    open_.pop_back();
    return *this;
}

std::string JsonWriter::Finish() {
    while (!open_.empty()) {
        text_ += open_.back().closer;
        open_.pop_back();
    }
    return std::move(text_);
}

}  // namespace driver
