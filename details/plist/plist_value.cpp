#include "details/plist/plist_value.h"

namespace plist {

Value Value::String(std::string text) {
    Value value = Of(Kind::kString);
    value.text = std::move(text);
    return value;
}

Value Value::Integer(std::int64_t number) {
    Value value = Of(Kind::kInteger);
    value.integer = number;
    return value;
}

Value Value::Unsigned(std::uint64_t number) {
    Value value = Of(Kind::kInteger);
    value.integer = static_cast<std::int64_t>(number);
    value.isUnsigned = number > static_cast<std::uint64_t>(INT64_MAX);
    return value;
}

Value Value::Real(double number) {
    Value value = Of(Kind::kReal);
    value.real = number;
    return value;
}

Value Value::Boolean(bool flag) {
    Value value = Of(Kind::kBoolean);
    value.boolean = flag;
    return value;
}

Value Value::Date(double secondsSince2001) {
    Value value = Of(Kind::kDate);
    value.real = secondsSince2001;
    return value;
}

Value Value::Data(std::string bytes) {
    Value value = Of(Kind::kData);
    value.text = std::move(bytes);
    return value;
}

Value Value::Uid(std::uint64_t number) {
    Value value = Of(Kind::kUid);
    value.integer = static_cast<std::int64_t>(number);
    return value;
}

void Value::Set(std::string key, Value value) {
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i] == key) {
            items[i] = std::move(value);
            return;
        }
    }
    keys.push_back(std::move(key));
    items.push_back(std::move(value));
}

const Value* Value::Find(const std::string& key) const {
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i] == key) return &items[i];
    }
    return nullptr;
}

}  // namespace plist
