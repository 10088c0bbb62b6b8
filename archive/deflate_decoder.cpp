#include "archive/deflate_decoder.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace archive {

using namespace huffman;

namespace {

constexpr std::size_t kHistorySize = 32768;  // the farthest a match reaches back
constexpr unsigned kMaxLiteralLengthCodes = 286;
constexpr unsigned kMaxDistanceCodes = 30;
constexpr unsigned kCodeLengthCodes = 19;
// RFC 1951 3.2.7: the order in which the code length code's lengths arrive.
constexpr std::uint8_t kCodeLengthOrder[kCodeLengthCodes] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                             11, 4,  12, 3, 13, 2, 14, 1, 15};

// The fast loop's needs at each step: one 8-byte load of input, and room for
// the longest match and the overrun of a copy by 16-byte words.
constexpr std::ptrdiff_t kFastInput = 8;
constexpr std::ptrdiff_t kFastRoom = 258 + 32;

// x86-64 is little-endian: the eight bytes as one value, the first lowest.
std::uint64_t Load64(const std::uint8_t* p) noexcept {
    std::uint64_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

// Copies a match of `length` bytes from `distance` back; may write up to 15
// bytes past its end, which the fast loop's room allows for.
void CopyMatch(std::uint8_t* out, std::uint32_t distance, std::uint32_t length) noexcept {
    const std::uint8_t* from = out - distance;
    std::uint8_t* const end = out + length;
    if (distance >= 16) {
        do {
            std::memcpy(out, from, 16);
            out += 16;
            from += 16;
        } while (out < end);
    } else if (distance >= 8) {
        do {
            std::memcpy(out, from, 8);
            out += 8;
            from += 8;
        } while (out < end);
    } else if (distance == 1) {
        std::memset(out, *from, length);
    } else {
        while (out < end) *out++ = *from++;
    }
}

}  // namespace

enum class DeflateDecoder::Stage : std::uint8_t {
    kBlockHeader,     // BFINAL and BTYPE
    kStoredLengths,   // LEN and NLEN of a stored block
    kStoredCopy,      // its bytes
    kTableCounts,     // HLIT, HDIST, HCLEN of a dynamic block
    kCodeLengthCode,  // the code length code's lengths
    kCodeLengths,     // the literal/length and distance codes' lengths
    kHuffman,         // the symbols of a block
    kTrailer,         // the four bytes behind the final block
    kDone,
    kFailed,
};

// The dynamic block's tables, made when the first such block arrives.
struct DeflateDecoder::Tables {
    CodeLengthTable codeLengths;
    LiteralLengthTable literals;
    DistanceTable distances;
    std::array<std::uint8_t, kCodeLengthCodes> codeLengthLengths{};
    std::array<std::uint8_t, kMaxLiteralLengthCodes + kMaxDistanceCodes> lengths{};
};

DeflateDecoder::DeflateDecoder(std::size_t roomPerCall)
        : roomPerCall_(std::max<std::size_t>(roomPerCall, 1)), stage_(Stage::kBlockHeader) {
    buffer_ = platform::ByteBuffer(kHistorySize + roomPerCall_);
    out_ = callStart_ = callEnd_ = buffer_.data();
}

DeflateDecoder::~DeflateDecoder() = default;

void DeflateDecoder::SetInput(std::span<const std::uint8_t> input) noexcept {
    in_ = input.data();
    inEnd_ = input.data() + input.size();
}

DeflateStatus DeflateDecoder::Decode() {
    MakeRoom();
    callStart_ = out_;
    outLimit_ = out_ + roomPerCall_;
    const DeflateStatus status = Run();
    callEnd_ = out_;
    return status;
}

// A call's room must follow its start in the buffer: when it does not fit,
// the last 32 KiB move to the front, the history the matches may reach.
void DeflateDecoder::MakeRoom() {
    if (out_ + roomPerCall_ <= buffer_.data() + buffer_.size()) return;
    std::memmove(buffer_.data(), out_ - kHistorySize, kHistorySize);
    out_ = buffer_.data() + kHistorySize;
}

DeflateStatus DeflateDecoder::Run() {
    for (;;) {
        std::optional<DeflateStatus> status;
        switch (stage_) {
        case Stage::kBlockHeader:
            status = BlockHeader();
            break;
        case Stage::kStoredLengths:
            status = StoredLengths();
            break;
        case Stage::kStoredCopy:
            status = StoredCopy();
            break;
        case Stage::kTableCounts:
            status = TableCounts();
            break;
        case Stage::kCodeLengthCode:
            status = CodeLengthCode();
            break;
        case Stage::kCodeLengths:
            status = CodeLengths();
            break;
        case Stage::kHuffman:
            status = Huffman();
            break;
        case Stage::kTrailer:
            status = Trailer32();
            break;
        case Stage::kDone:
            return DeflateStatus::kStreamEnd;
        case Stage::kFailed:
            return DeflateStatus::kFailed;
        }
        if (status) return *status;
    }
}

DeflateDecoder::Step DeflateDecoder::Fail() {
    stage_ = Stage::kFailed;
    return DeflateStatus::kFailed;
}

DeflateDecoder::Step DeflateDecoder::EndOfBlock() {
    stage_ = finalBlock_ ? Stage::kTrailer : Stage::kBlockHeader;
    return std::nullopt;
}

// The bit reader of the careful road takes input a byte at a time, and only
// when a step needs it: between steps fewer than 8 bits wait in the buffer, as
// in the reference, so that a step fails or waits exactly when it would.
bool DeflateDecoder::PullByte() noexcept {
    if (in_ == inEnd_) return false;
    bits_ |= std::uint64_t{*in_++} << count_;
    count_ += 8;
    return true;
}

bool DeflateDecoder::Ensure(unsigned n) noexcept {
    while (count_ < n)
        if (!PullByte()) return false;
    return true;
}

DeflateDecoder::Step DeflateDecoder::BlockHeader() {
    if (!Ensure(3)) return DeflateStatus::kNeedInput;
    finalBlock_ = (bits_ & 1) != 0;
    const unsigned type = (bits_ >> 1) & 3;
    Drop(3);
    switch (type) {
    case 0:
        stage_ = Stage::kStoredLengths;
        break;
    case 1:
        literals_ = &FixedLiteralLengths();
        distances_ = &FixedDistances();
        stage_ = Stage::kHuffman;
        break;
    case 2:
        stage_ = Stage::kTableCounts;
        break;
    default:
        return Fail();
    }
    return std::nullopt;
}

DeflateDecoder::Step DeflateDecoder::StoredLengths() {
    Drop(count_ % 8);  // the lengths start at a byte boundary
    if (!Ensure(32)) return DeflateStatus::kNeedInput;
    const auto length = static_cast<std::uint32_t>(bits_ & 0xFFFF);
    const auto complement = static_cast<std::uint32_t>((bits_ >> 16) & 0xFFFF);
    if (length != (complement ^ 0xFFFF)) return Fail();
    Drop(32);
    storedLeft_ = length;
    stage_ = Stage::kStoredCopy;
    return std::nullopt;
}

DeflateDecoder::Step DeflateDecoder::StoredCopy() {
    while (storedLeft_ > 0) {
        if (out_ == outLimit_) return DeflateStatus::kOutputFull;
        if (count_ >= 8) {  // whole bytes already in the bit buffer come first
            *out_++ = static_cast<std::uint8_t>(bits_);
            Drop(8);
            --storedLeft_;
            continue;
        }
        if (in_ == inEnd_) return DeflateStatus::kNeedInput;
        const auto n = static_cast<std::size_t>(
            std::min<std::ptrdiff_t>({static_cast<std::ptrdiff_t>(storedLeft_), inEnd_ - in_, outLimit_ - out_}));
        std::memcpy(out_, in_, n);
        out_ += n;
        in_ += n;
        storedLeft_ -= static_cast<std::uint32_t>(n);
    }
    return EndOfBlock();
}

DeflateDecoder::Step DeflateDecoder::TableCounts() {
    if (!Ensure(14)) return DeflateStatus::kNeedInput;
    literalCodes_ = 257 + static_cast<unsigned>(bits_ & 31);
    distanceCodes_ = 1 + static_cast<unsigned>((bits_ >> 5) & 31);
    lengthCodes_ = 4 + static_cast<unsigned>((bits_ >> 10) & 15);
    Drop(14);
    if (literalCodes_ > kMaxLiteralLengthCodes || distanceCodes_ > kMaxDistanceCodes) return Fail();
    if (!tables_) tables_ = std::make_unique<Tables>();
    tables_->codeLengthLengths.fill(0);
    lengthsRead_ = 0;
    stage_ = Stage::kCodeLengthCode;
    return std::nullopt;
}

DeflateDecoder::Step DeflateDecoder::CodeLengthCode() {
    while (lengthsRead_ < lengthCodes_) {
        if (!Ensure(3)) return DeflateStatus::kNeedInput;
        tables_->codeLengthLengths[kCodeLengthOrder[lengthsRead_++]] = static_cast<std::uint8_t>(bits_ & 7);
        Drop(3);
    }
    if (!Build(Alphabet::kCodeLengths, tables_->codeLengthLengths, tables_->codeLengths)) return Fail();
    lengthsRead_ = 0;
    stage_ = Stage::kCodeLengths;
    return std::nullopt;
}

// RFC 1951 3.2.7: lengths 0-15 as they are, 16 repeats the previous length
// 3-6 times, 17 and 18 give 3-10 and 11-138 zeros. A repeat may run from the
// literal/length lengths into the distance lengths.
DeflateDecoder::Step DeflateDecoder::CodeLengths() {
    const unsigned total = literalCodes_ + distanceCodes_;
    auto& lengths = tables_->lengths;
    while (lengthsRead_ < total) {
        Entry e;
        while (CodeBits(e = tables_->codeLengths.Lookup(bits_)) > count_)
            if (!PullByte()) return DeflateStatus::kNeedInput;
        // An empty code length code passes (as in the reference), its entries
        // invalid ones of one bit: each such bit is read as the length 0, and
        // the block fails for want of an end-of-block code once all are read.
        const unsigned symbol = (e & kInvalid) ? 0 : Value(e);
        const unsigned codeBits = CodeBits(e);
        if (symbol < 16) {
            Drop(codeBits);
            lengths[lengthsRead_++] = static_cast<std::uint8_t>(symbol);
            continue;
        }
        const unsigned extraBits = symbol == 16 ? 2 : symbol == 17 ? 3 : 7;
        if (!Ensure(codeBits + extraBits)) return DeflateStatus::kNeedInput;
        const auto extra = static_cast<unsigned>((bits_ >> codeBits) & ((1u << extraBits) - 1));
        Drop(codeBits + extraBits);
        if (symbol == 16 && lengthsRead_ == 0) return Fail();
        const std::uint8_t value = symbol == 16 ? lengths[lengthsRead_ - 1] : 0;
        const unsigned repeat = (symbol == 16 ? 3 : symbol == 17 ? 3 : 11) + extra;
        if (lengthsRead_ + repeat > total) return Fail();
        std::fill_n(lengths.begin() + lengthsRead_, repeat, value);
        lengthsRead_ += repeat;
    }
    return BuildBlockTables();
}

DeflateDecoder::Step DeflateDecoder::BuildBlockTables() {
    const std::span<const std::uint8_t> lengths(tables_->lengths.data(), literalCodes_ + distanceCodes_);
    if (lengths[256] == 0) return Fail();  // no end-of-block code
    if (!Build(Alphabet::kLiteralLength, lengths.first(literalCodes_), tables_->literals)) return Fail();
    if (!Build(Alphabet::kDistance, lengths.subspan(literalCodes_), tables_->distances)) return Fail();
    literals_ = &tables_->literals;
    distances_ = &tables_->distances;
    stage_ = Stage::kHuffman;
    return std::nullopt;
}

// The symbols of a block: the fast loop while input and room are plenty, the
// careful steps near either end.
DeflateDecoder::Step DeflateDecoder::Huffman() {
    for (;;) {
        if (matchLeft_ > 0) {
            if (const Step status = FinishMatch()) return status;
        }
        if (inEnd_ - in_ >= kFastInput && outLimit_ - out_ >= kFastRoom) {
            FastLoop();
        } else if (const Step status = HuffmanStep()) {
            return status;
        }
        if (stage_ != Stage::kHuffman) return std::nullopt;
    }
}

// One symbol, and for a length its distance, all or nothing: a step whose bits
// have not all arrived takes none and waits for input. The reference takes
// each part as it arrives, but fails or waits at the same points: a code no
// symbol has fails once its own bits are there, before the bits after it.
// When the room is used up, the step stops short of its first write, as the
// reference does; a distance too far back fails only when copying starts.
DeflateDecoder::Step DeflateDecoder::HuffmanStep() {
    Entry e;
    while (CodeBits(e = literals_->Lookup(bits_)) > count_)
        if (!PullByte()) return DeflateStatus::kNeedInput;
    if (e & kInvalid) return Fail();
    if (e & kLiteral) {
        if (out_ == outLimit_) return DeflateStatus::kOutputFull;
        *out_++ = static_cast<std::uint8_t>(Value(e));
        Drop(CodeBits(e));
        return std::nullopt;
    }
    if (e & kEndOfBlock) {
        Drop(CodeBits(e));
        return EndOfBlock();
    }
    const unsigned lengthBits = TotalBits(e);
    if (!Ensure(lengthBits)) return DeflateStatus::kNeedInput;
    Entry d;
    while (lengthBits + CodeBits(d = distances_->Lookup(bits_ >> lengthBits)) > count_)
        if (!PullByte()) return DeflateStatus::kNeedInput;
    if (d & kInvalid) return Fail();
    if (!Ensure(lengthBits + TotalBits(d))) return DeflateStatus::kNeedInput;
    if (out_ == outLimit_) return DeflateStatus::kOutputFull;
    matchLeft_ = Value(e) + ExtraValue(e, bits_);
    matchDistance_ = Value(d) + ExtraValue(d, bits_ >> lengthBits);
    Drop(lengthBits + TotalBits(d));
    if (matchDistance_ > static_cast<std::size_t>(out_ - buffer_.data())) return Fail();
    return std::nullopt;
}

// The rest of a match that a call's room cut short, a byte at a time (the
// distance may be shorter than the copy).
DeflateDecoder::Step DeflateDecoder::FinishMatch() {
    while (matchLeft_ > 0) {
        if (out_ == outLimit_) return DeflateStatus::kOutputFull;
        const auto n = static_cast<std::uint32_t>(std::min<std::ptrdiff_t>(matchLeft_, outLimit_ - out_));
        const std::uint8_t* from = out_ - matchDistance_;
        for (std::uint32_t i = 0; i < n; ++i) out_[i] = from[i];
        out_ += n;
        matchLeft_ -= n;
    }
    return std::nullopt;
}

DeflateDecoder::Step DeflateDecoder::Trailer32() {
    Drop(count_ % 8);
    if (!Ensure(32)) return DeflateStatus::kNeedInput;
    const auto b = static_cast<std::uint32_t>(bits_);
    trailer_ = (b & 0xFF) << 24 | (b & 0xFF00) << 8 | (b >> 8 & 0xFF00) | b >> 24;
    Drop(32);
    stage_ = Stage::kDone;
    return DeflateStatus::kStreamEnd;
}

// Symbols while at least 8 bytes of input and room for the longest match (and
// a copy's overrun) remain. The bit buffer is topped up to 56 bits or more by
// one load per step, enough for a length, a distance and their extra bits
// (at most 48). Every bit it decides on has arrived, so it fails where the
// careful road would. On leaving, the whole bytes it took into the bit buffer
// but did not use go back to the input, as the careful road would not yet have
// taken them.
void DeflateDecoder::FastLoop() {
    const std::uint8_t* const entryIn = in_;
    const std::uint8_t* in = in_;
    std::uint8_t* out = out_;
    std::uint64_t bits = bits_;
    unsigned count = count_;
    const std::uint8_t* const inLast = inEnd_ - kFastInput;
    std::uint8_t* const outLast = outLimit_ - kFastRoom;
    const std::uint8_t* const start = buffer_.data();
    const LiteralLengthTable& literals = *literals_;
    const DistanceTable& distances = *distances_;

    while (in <= inLast && out <= outLast) {
        bits |= Load64(in) << count;
        in += (63 - count) >> 3;
        count |= 56;
        const Entry e = literals.Lookup(bits);
        if (e & kLiteral) {
            *out++ = static_cast<std::uint8_t>(Value(e));
            bits >>= TotalBits(e);
            count -= TotalBits(e);
            continue;
        }
        if (e & (kEndOfBlock | kInvalid)) {
            if (e & kInvalid) {
                stage_ = Stage::kFailed;
            } else {
                bits >>= TotalBits(e);
                count -= TotalBits(e);
                EndOfBlock();
            }
            break;
        }
        const std::uint32_t length = Value(e) + ExtraValue(e, bits);
        bits >>= TotalBits(e);
        count -= TotalBits(e);
        const Entry d = distances.Lookup(bits);
        const std::uint32_t distance = Value(d) + ExtraValue(d, bits);
        if ((d & kInvalid) || distance > static_cast<std::size_t>(out - start)) {
            stage_ = Stage::kFailed;
            break;
        }
        bits >>= TotalBits(d);
        count -= TotalBits(d);
        CopyMatch(out, distance, length);
        out += length;
    }

    // Bits that were in the buffer on entry stay there: they may be of an earlier piece of input.
    const auto spare = std::min<std::ptrdiff_t>(count >> 3, in - entryIn);
    in -= spare;
    count -= 8 * static_cast<unsigned>(spare);
    in_ = in;
    out_ = out;
    count_ = count;
    bits_ = bits & ((std::uint64_t{1} << count) - 1);
}

}  // namespace archive
