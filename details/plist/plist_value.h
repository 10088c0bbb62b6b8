#pragma once
// The in-memory form of a property list: the value kinds both the binary and
// the XML format can hold. Strings are UTF-8; dates are seconds since
// 2001-01-01 00:00:00 UTC, as both formats count them.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace plist {

// Anything that is not a property list, or one this converter refuses.
class PlistError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class Kind { kDict, kArray, kString, kInteger, kReal, kBoolean, kDate, kData, kUid };

struct Value {
    Kind kind = Kind::kString;
    std::string text;               // kString: UTF-8 text; kData: the bytes
    std::int64_t integer = 0;       // kInteger (see isUnsigned); kUid: the reference number
    bool isUnsigned = false;        // kInteger above INT64_MAX: read `integer` as uint64_t
    double real = 0;                // kReal, kDate
    bool boolean = false;           // kBoolean
    std::vector<std::string> keys;  // kDict: keys, parallel to `items`
    std::vector<Value> items;       // kArray: elements; kDict: the values of `keys`

    static Value Of(Kind kind) {
        Value value;
        value.kind = kind;
        return value;
    }
    static Value Dict() { return Of(Kind::kDict); }
    static Value Array() { return Of(Kind::kArray); }
    static Value String(std::string text);
    static Value Integer(std::int64_t value);
    static Value Unsigned(std::uint64_t value);
    static Value Real(double value);
    static Value Boolean(bool value);
    static Value Date(double secondsSince2001);
    static Value Data(std::string bytes);
    static Value Uid(std::uint64_t value);

    // Sets a dictionary entry; a key given twice keeps its last value, as a
    // dictionary would.
    void Set(std::string key, Value value);
    // The value under `key` in a dictionary, or nullptr.
    const Value* Find(const std::string& key) const;
};

}  // namespace plist
