#pragma once
// Builds one line of JSON. Every character outside printable ASCII is written as a
// \uXXXX escape, so the line survives any console code page and any pipe on the
// way out of Wine unchanged.

#include <string>
#include <string_view>
#include <vector>

namespace driver {

class JsonWriter {
public:
    // Opens the outermost object; Finish() closes it and returns the text.
    JsonWriter();

    JsonWriter& Key(std::string_view name);
    JsonWriter& String(std::wstring_view value);
    JsonWriter& String(std::string_view asciiValue);
    JsonWriter& Number(long long value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();
    // Inserts text that is already valid JSON (an object or array made elsewhere).
    JsonWriter& Raw(std::string_view json);

    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();

    // Shorthands for "key": value.
    JsonWriter& Field(std::string_view name, std::wstring_view value) { return Key(name).String(value); }
    JsonWriter& Field(std::string_view name, const wchar_t* value) {
        return Key(name).String(std::wstring_view(value));
    }
    JsonWriter& Field(std::string_view name, const char* asciiValue) {
        return Key(name).String(std::string_view(asciiValue));
    }
    JsonWriter& Field(std::string_view name, const std::string& asciiValue) {
        return Key(name).String(std::string_view(asciiValue));
    }
    JsonWriter& Field(std::string_view name, long long value) { return Key(name).Number(value); }
    JsonWriter& Field(std::string_view name, int value) { return Key(name).Number(value); }
    JsonWriter& Field(std::string_view name, unsigned long value) {
        return Key(name).Number(static_cast<long long>(value));
    }
    JsonWriter& Field(std::string_view name, bool value) { return Key(name).Bool(value); }

    std::string Finish();

private:
    void BeforeValue();
    void AppendEscaped(unsigned codeUnit);

    std::string text_;
    struct Open {
        char closer;      // '}' or ']'
        bool hasElement;  // a separator is due before the next element
    };
    std::vector<Open> open_;
    bool afterKey_ = false;
};

}  // namespace driver
