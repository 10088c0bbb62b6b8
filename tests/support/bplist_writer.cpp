#include "tests/support/bplist_writer.h"

#include <cstring>

#include "platform/strings.h"

namespace testing_support {

namespace {

PlistNode Make(PlistNode::Kind kind) {
    PlistNode node;
    node.kind = kind;
    return node;
}

unsigned BytesFor(std::uint64_t value) {
    if (value < 0x100) return 1;
    if (value < 0x10000) return 2;
    if (value < 0x100000000) return 4;
    return 8;
}

// An int object: markers 0x10-0x13 with 1, 2, 4 or 8 bytes; negatives take 8.
std::string IntObject(std::int64_t value) {
    const unsigned size = value < 0 ? 8 : BytesFor(static_cast<std::uint64_t>(value));
    const char sizeLog = size == 1 ? 0 : size == 2 ? 1 : size == 4 ? 2 : 3;
    return std::string(1, static_cast<char>(0x10 | sizeLog)) + BigEndian(static_cast<std::uint64_t>(value), size);
}

// Type nibble with the count in the low nibble, or 0xF and an int object.
std::string Marker(unsigned type, std::uint64_t count) {
    if (count < 15) return std::string(1, static_cast<char>(type << 4 | count));
    return std::string(1, static_cast<char>(type << 4 | 0xF)) + IntObject(static_cast<std::int64_t>(count));
}

std::string DoubleBytes(double value) {
    std::uint64_t raw = 0;
    std::memcpy(&raw, &value, sizeof raw);
    return BigEndian(raw, 8);
}

std::string StringObject(const std::string& utf8) {
    bool ascii = true;
    for (char c : utf8) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return Marker(0x5, utf8.size()) + utf8;
    const std::u16string wide = platform::Utf8ToWide(utf8);
    std::string out = Marker(0x6, wide.size());
    for (char16_t unit : wide) out += BigEndian(unit, 2);
    return out;
}

std::size_t CountObjects(const PlistNode& node) {
    std::size_t count = 1 + node.keys.size();
    for (const PlistNode& item : node.items) count += CountObjects(item);
    return count;
}

class Flattener {
public:
    explicit Flattener(unsigned refSize) : refSize_(refSize) {}

    std::size_t Add(const PlistNode& node) {
        const std::size_t index = objects_.size();
        objects_.emplace_back();
        std::string refs;
        for (const std::string& key : node.keys) refs += Ref(AddObject(StringObject(key)));
        for (const PlistNode& item : node.items) refs += Ref(Add(item));
        objects_[index] = Encode(node) + refs;
        return index;
    }

    std::vector<std::string> Take() { return std::move(objects_); }

private:
    std::size_t AddObject(std::string encoded) {
        objects_.push_back(std::move(encoded));
        return objects_.size() - 1;
    }
    std::string Ref(std::size_t index) const { return BigEndian(index, refSize_); }

    // The object's marker and payload; a container's references follow it.
    static std::string Encode(const PlistNode& node) {
        switch (node.kind) {
        case PlistNode::Kind::kBoolean:
            return std::string(1, node.boolean ? '\x09' : '\x08');
        case PlistNode::Kind::kInteger:
            return IntObject(node.integer);
        case PlistNode::Kind::kReal:
            return "\x23" + DoubleBytes(node.real);
        case PlistNode::Kind::kDate:
            return "\x33" + DoubleBytes(node.real);
        case PlistNode::Kind::kString:
            return StringObject(node.text);
        case PlistNode::Kind::kData:
            return Marker(0x4, node.text.size()) + node.text;
        case PlistNode::Kind::kArray:
            return Marker(0xA, node.items.size());
        case PlistNode::Kind::kDict:
            return Marker(0xD, node.keys.size());
        }
        return {};
    }

    unsigned refSize_;
    std::vector<std::string> objects_;
};

}  // namespace

PlistNode PlistBool(bool value) {
    PlistNode node = Make(PlistNode::Kind::kBoolean);
    node.boolean = value;
    return node;
}

PlistNode PlistInt(std::int64_t value) {
    PlistNode node = Make(PlistNode::Kind::kInteger);
    node.integer = value;
    return node;
}

PlistNode PlistReal(double value) {
    PlistNode node = Make(PlistNode::Kind::kReal);
    node.real = value;
    return node;
}

PlistNode PlistDate(double secondsSince2001) {
    PlistNode node = Make(PlistNode::Kind::kDate);
    node.real = secondsSince2001;
    return node;
}

PlistNode PlistString(std::string utf8) {
    PlistNode node = Make(PlistNode::Kind::kString);
    node.text = std::move(utf8);
    return node;
}

PlistNode PlistData(std::string bytes) {
    PlistNode node = Make(PlistNode::Kind::kData);
    node.text = std::move(bytes);
    return node;
}

PlistNode PlistArray(std::vector<PlistNode> items) {
    PlistNode node = Make(PlistNode::Kind::kArray);
    node.items = std::move(items);
    return node;
}

PlistNode PlistDict(std::vector<std::pair<std::string, PlistNode>> entries) {
    PlistNode node = Make(PlistNode::Kind::kDict);
    for (auto& [key, value] : entries) {
        node.keys.push_back(key);
        node.items.push_back(std::move(value));
    }
    return node;
}

std::string BigEndian(std::uint64_t value, unsigned size) {
    std::string out(size, '\0');
    for (unsigned i = 0; i < size; ++i) out[size - 1 - i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

std::string WriteBinaryPlist(const PlistNode& top) {
    const unsigned refSize = BytesFor(CountObjects(top) - 1);
    Flattener flattener(refSize);
    flattener.Add(top);
    return AssembleBinaryPlist(flattener.Take(), refSize, 0);
}

std::string AssembleBinaryPlist(const std::vector<std::string>& objects, unsigned refSize, std::uint64_t top,
                                unsigned offsetSize) {
    std::string out = "bplist00";
    std::vector<std::uint64_t> offsets;
    for (const std::string& object : objects) {
        offsets.push_back(out.size());
        out += object;
    }
    const std::uint64_t tableOffset = out.size();
    if (offsetSize == 0) offsetSize = BytesFor(tableOffset);
    for (std::uint64_t offset : offsets) out += BigEndian(offset, offsetSize);
    out += std::string(6, '\0');  // five unused bytes and the sort version
    out += static_cast<char>(offsetSize);
    out += static_cast<char>(refSize);
    out += BigEndian(objects.size(), 8);
    out += BigEndian(top, 8);
    out += BigEndian(tableOffset, 8);
    return out;
}

}  // namespace testing_support
