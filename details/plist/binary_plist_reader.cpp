#include "details/plist/binary_plist_reader.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "details/plist/plist_utf.h"

namespace plist {

namespace {

constexpr std::string_view kMagic = "bplist00";
constexpr std::size_t kTrailerSize = 32;

// Object markers: the high nibble gives the type, the low nibble a size or count.
constexpr std::uint8_t kMarkerSimple = 0x0;  // 0x08 false, 0x09 true; null and fill are refused
constexpr std::uint8_t kMarkerInt = 0x1;
constexpr std::uint8_t kMarkerReal = 0x2;
constexpr std::uint8_t kMarkerDate = 0x3;
constexpr std::uint8_t kMarkerData = 0x4;
constexpr std::uint8_t kMarkerAscii = 0x5;
constexpr std::uint8_t kMarkerUtf16 = 0x6;
constexpr std::uint8_t kMarkerUid = 0x8;
constexpr std::uint8_t kMarkerArray = 0xA;
constexpr std::uint8_t kMarkerSet = 0xC;
constexpr std::uint8_t kMarkerDict = 0xD;

[[noreturn]] void Fail(const std::string& what) { throw PlistError("binary property list: " + what); }

std::uint64_t ReadBigEndian(std::string_view bytes, std::size_t pos, std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) value = (value << 8) | static_cast<std::uint8_t>(bytes[pos + i]);
    return value;
}

bool IsIntSize(std::uint64_t size) { return size == 1 || size == 2 || size == 4 || size == 8; }

class Reader {
public:
    Reader(std::string_view bytes, const ReadLimits& limits) : bytes_(bytes), limits_(limits) {}

    Value ReadTop() {
        ReadTrailer();
        inProgress_.assign(objectCount_, false);
        return ReadObject(topObject_, 0);
    }

private:
    void ReadTrailer();
    std::size_t ObjectOffset(std::uint64_t index) const;
    Value ReadObject(std::uint64_t index, int depth);
    Value ReadScalar(std::uint8_t type, std::uint8_t info, std::size_t pos);
    Value ReadContainer(std::uint8_t type, std::uint8_t info, std::size_t pos, int depth);
    std::uint64_t ReadCount(std::uint8_t info, std::size_t& pos) const;
    void Need(std::size_t pos, std::uint64_t count, std::uint64_t unit) const;
    std::uint64_t ReadRef(std::size_t pos) const { return ReadBigEndian(bytes_, pos, refSize_); }

    std::string_view bytes_;
    ReadLimits limits_;
    std::size_t objectsEnd_ = 0;  // objects lie between the signature and the offset table
    std::size_t offsetTable_ = 0;
    std::size_t offsetSize_ = 0;
    std::size_t refSize_ = 0;
    std::uint64_t objectCount_ = 0;
    std::uint64_t topObject_ = 0;
    std::vector<bool> inProgress_;  // objects on the current path from the top: a repeat is a cycle
    std::uint64_t valueCount_ = 0;
    std::uint64_t textBytes_ = 0;

    void CountText(std::uint64_t size) {
        textBytes_ += size;
        if (textBytes_ > limits_.maxTextBytes) Fail("too much text and data");
    }
};

void Reader::ReadTrailer() {
    if (bytes_.size() < kMagic.size() + 1 + kTrailerSize || bytes_.substr(0, kMagic.size()) != kMagic) {
        Fail("missing signature or too short");
    }
    const std::size_t trailer = bytes_.size() - kTrailerSize;
    const std::uint64_t offsetSize = static_cast<std::uint8_t>(bytes_[trailer + 6]);
    const std::uint64_t refSize = static_cast<std::uint8_t>(bytes_[trailer + 7]);
    objectCount_ = ReadBigEndian(bytes_, trailer + 8, 8);
    topObject_ = ReadBigEndian(bytes_, trailer + 16, 8);
    const std::uint64_t tableOffset = ReadBigEndian(bytes_, trailer + 24, 8);
    if (!IsIntSize(offsetSize) || !IsIntSize(refSize)) Fail("bad offset or reference size in the trailer");
    if (objectCount_ == 0 || topObject_ >= objectCount_) Fail("top object outside the object table");
    if (tableOffset < kMagic.size() + 1 || tableOffset > trailer) Fail("offset table outside the file");
    // Compare by division: count * size could overflow.
    if (objectCount_ > (trailer - tableOffset) / offsetSize) Fail("offset table runs into the trailer");
    if (refSize < 8 && objectCount_ > (std::uint64_t{1} << (8 * refSize)))
        Fail("more objects than references can name");
    offsetTable_ = static_cast<std::size_t>(tableOffset);
    objectsEnd_ = offsetTable_;
    offsetSize_ = static_cast<std::size_t>(offsetSize);
    refSize_ = static_cast<std::size_t>(refSize);
}

std::size_t Reader::ObjectOffset(std::uint64_t index) const {
    if (index >= objectCount_) Fail("object reference " + std::to_string(index) + " out of range");
    const std::uint64_t offset =
        ReadBigEndian(bytes_, offsetTable_ + static_cast<std::size_t>(index) * offsetSize_, offsetSize_);
    if (offset < kMagic.size() || offset >= objectsEnd_) Fail("object offset outside the object area");
    return static_cast<std::size_t>(offset);
}

void Reader::Need(std::size_t pos, std::uint64_t count, std::uint64_t unit) const {
    if (pos > objectsEnd_ || (unit != 0 && count > (objectsEnd_ - pos) / unit)) Fail("object runs past its area");
}

// Counts of 15 and more follow the marker as an int object.
std::uint64_t Reader::ReadCount(std::uint8_t info, std::size_t& pos) const {
    if (info != 0xF) return info;
    Need(pos, 1, 1);
    const auto marker = static_cast<std::uint8_t>(bytes_[pos]);
    if ((marker >> 4) != kMarkerInt || (marker & 0xF) > 3) Fail("bad count");
    const std::size_t size = std::size_t{1} << (marker & 0xF);
    Need(pos + 1, size, 1);
    const std::uint64_t count = ReadBigEndian(bytes_, pos + 1, size);
    if (count >> 62) Fail("count too large");
    pos += 1 + size;
    return count;
}

Value Reader::ReadObject(std::uint64_t index, int depth) {
    if (depth > limits_.maxDepth) Fail("nesting too deep");
    if (valueCount_ >= limits_.maxValues) Fail("too many values");
    ++valueCount_;
    const std::size_t offset = ObjectOffset(index);
    const auto marker = static_cast<std::uint8_t>(bytes_[offset]);
    const std::uint8_t type = marker >> 4;
    const std::uint8_t info = marker & 0xF;
    if (type != kMarkerArray && type != kMarkerSet && type != kMarkerDict) return ReadScalar(type, info, offset + 1);
    if (inProgress_[index]) Fail("reference cycle");
    inProgress_[index] = true;
    Value value = ReadContainer(type, info, offset + 1, depth);
    inProgress_[index] = false;
    return value;
}

Value Reader::ReadScalar(std::uint8_t type, std::uint8_t info, std::size_t pos) {
    switch (type) {
    case kMarkerSimple:
        if (info == 0x8 || info == 0x9) return Value::Boolean(info == 0x9);
        Fail("null or fill object has no property-list form");
    case kMarkerInt: {
        if (info > 4) Fail("bad integer size");
        const std::size_t size = std::size_t{1} << info;
        Need(pos, size, 1);
        if (size == 16) {  // 128-bit: only the unsigned 64-bit range is written this way
            if (ReadBigEndian(bytes_, pos, 8) != 0) Fail("integer beyond 64 bits");
            return Value::Unsigned(ReadBigEndian(bytes_, pos + 8, 8));
        }
        const std::uint64_t raw = ReadBigEndian(bytes_, pos, size);
        // 1, 2 and 4 bytes are unsigned; 8 bytes are two's complement.
        return Value::Integer(static_cast<std::int64_t>(raw));
    }
    case kMarkerReal:
    case kMarkerDate: {
        if ((type == kMarkerReal && info != 2 && info != 3) || (type == kMarkerDate && info != 3)) {
            Fail("bad real or date size");
        }
        const std::size_t size = std::size_t{1} << info;
        Need(pos, size, 1);
        const std::uint64_t raw = ReadBigEndian(bytes_, pos, size);
        double number = 0;
        if (size == 4) {
            float single = 0;
            const auto raw32 = static_cast<std::uint32_t>(raw);
            std::memcpy(&single, &raw32, 4);
            number = single;
        } else {
            std::memcpy(&number, &raw, 8);
        }
        return type == kMarkerDate ? Value::Date(number) : Value::Real(number);
    }
    case kMarkerData:
    case kMarkerAscii: {
        const std::uint64_t count = ReadCount(info, pos);
        Need(pos, count, 1);
        CountText(count);
        std::string_view text = bytes_.substr(pos, static_cast<std::size_t>(count));
        return type == kMarkerData ? Value::Data(std::string(text)) : Value::String(Latin1ToUtf8(text));
    }
    case kMarkerUtf16: {
        const std::uint64_t count = ReadCount(info, pos);
        Need(pos, count, 2);
        CountText(count * 3);  // the most UTF-8 that one UTF-16 unit becomes
        return Value::String(Utf16BigEndianToUtf8(bytes_.substr(pos, static_cast<std::size_t>(count) * 2)));
    }
    case kMarkerUid: {
        const std::size_t size = std::size_t{info} + 1;
        if (size > 8) Fail("bad UID size");
        Need(pos, size, 1);
        return Value::Uid(ReadBigEndian(bytes_, pos, size));
    }
    default:
        Fail("unknown object type " + std::to_string(type));
    }
}

Value Reader::ReadContainer(std::uint8_t type, std::uint8_t info, std::size_t pos, int depth) {
    const std::uint64_t count = ReadCount(info, pos);
    const std::uint64_t refCount = type == kMarkerDict ? count * 2 : count;  // count < 2^62: no overflow
    Need(pos, refCount, refSize_);
    if (refCount > limits_.maxValues - valueCount_) Fail("too many values");
    if (type != kMarkerDict) {  // a set has no XML form of its own: it is written as an array
        Value array = Value::Array();
        array.items.reserve(static_cast<std::size_t>(count));
        for (std::uint64_t i = 0; i < count; ++i)
            array.items.push_back(ReadObject(ReadRef(pos + i * refSize_), depth + 1));
        return array;
    }
    Value dict = Value::Dict();
    dict.keys.reserve(static_cast<std::size_t>(count));
    dict.items.reserve(static_cast<std::size_t>(count));
    for (std::uint64_t i = 0; i < count; ++i) {
        Value key = ReadObject(ReadRef(pos + i * refSize_), depth + 1);
        if (key.kind != Kind::kString) Fail("dictionary key is not a string");
        dict.keys.push_back(std::move(key.text));
        dict.items.push_back(ReadObject(ReadRef(pos + (count + i) * refSize_), depth + 1));
    }
    return dict;
}

}  // namespace

bool LooksLikeBinaryPlist(std::string_view bytes) { return bytes.substr(0, kMagic.size()) == kMagic; }

Value ReadBinaryPlist(std::string_view bytes, const ReadLimits& limits) { return Reader(bytes, limits).ReadTop(); }

}  // namespace plist
