#include "archive/errors.h"

#include "archive/archiver.h"

namespace archive {
namespace {

// One row per message: its text and every native code that maps to it. The
// native-code map is derived from this table, so codes and texts cannot drift.
struct MessageRow {
    std::u16string_view text;
    std::array<std::int8_t, 10> codes;  // -1 ends the list
};

constexpr std::int8_t kNone = -1;

constexpr std::array<MessageRow, kArchiverMessageCount> kMessageTable = {{
    {u"Unknown error", {0, kNone}},
    {u"Index out of bounds", {1, 2, 3, 4, 7, 16, 21, 24, kNone}},
    {u"Invalid compression mode. Mode must be in [0-9] range", {5, kNone}},
    {u"Unexpected nil pointer", {6, kNone}},
    {u"Invalid size or check sum of file or unsupported compression format", {8, kNone}},
    {u"File name is blank. Specify appropriate file name", {9, 10, 29, kNone}},
    {u"File \"%s\" not found", {11, 12, 15, 18, 30, 31, 38, 42, 53, 54}},
    {u"Archive is not open", {13, 14, kNone}},
    {u"SFXStub property is not specified", {17, kNone}},
    {u"Cannot create file \"%s\"", {19, 23, kNone}},
    {u"Cannot create directory \"%s\"", {20, kNone}},
    {u"Internal error. Update is not started", {22, 25, kNone}},
    {u"Cannot open file \"%s\"", {33, kNone}},
    {u"Cannot proceed when update is not ended. Preceding EndUpdate call is required.", {26, kNone}},
    {u"Cannot delete file \"%s\"", {27, kNone}},
    {u"In-memory archive can be created only", {28, kNone}},
    {u"File is open in read-only mode", {32, kNone}},
    {u"Invalid compressed size, rfs.size = %d, count = %d", {34, kNone}},
    {u"Invalid archive file.", {35, kNone}},
    {u"Cannot create output file. Probably file is locked by another process. FileName = '%s'.", {36, kNone}},
    {u"Archive is open. You should close it beore performing this operation.", {37, kNone}},
    {u"Unable to create directory", {39, kNone}},
    {u"Cannot find 64-bit directory end record", {40, kNone}},
    {u"Cannot compress file '%s'. Zip64 mode is not enabled", {41, 43, kNone}},
    {u"Cannot open archive file. Opening aborted or invalid file", {44, 45, kNone}},
    {u"Write to stream error", {46, kNone}},
    {u"Cannot place SFX stub on volume. Volume size limit is too small", {47, kNone}},
    {u"Archive is damaged. Open failed", {48, 57, kNone}},
    {u"MakeSFX is not allowed for splitted or spanned archives. Set SFXStub before archive creation instead of "
     u"MakeSFX",
     {49, kNone}},
    {u"Archive already has SFX stub", {50, kNone}},
    {u"Multi-volume archive is not allowed for custom stream", {51, kNone}},
    {u"Multi-spanned archive is not allowed for modification. Use BeginUpdate/EndUpdate methods to add files "
     u"several times",
     {52, kNone}},
    {u"Deflate64 compression method is not supported", {55, kNone}},
    {u"MakeSFX error", {56, kNone}},
    {u"Hashed list of file names is invalid", {58, 59, kNone}},
    {u"Cannot delete folder \"%s\"", {60, kNone}},
    {u"File name is too long: \r\n\"%s\"", {61, kNone}},
    {u"Multiple transactions are not supported for multi-volume archives", {62, kNone}},
    {u"Invalid InitVector index = %d. Index should be >= 0 and < %d", {63, 64, kNone}},
    {u"Disk is full. There is not enough free space on disk.", {65, 66, kNone}},
    {u"Invalid password. Cannot decompress encrypted file.", {67, kNone}},
}};

constexpr std::array<TZFNativeErrorPair, kNativeErrorCount> BuildNativeErrorMap() {
    std::array<TZFNativeErrorPair, kNativeErrorCount> map{};
    std::array<int, kNativeErrorCount> seen{};
    for (std::size_t index = 0; index < kMessageTable.size(); ++index) {
        for (std::int8_t code : kMessageTable[index].codes) {
            if (code == kNone) break;
            map[static_cast<std::size_t>(code)] = {code, static_cast<std::int32_t>(index)};
            ++seen[static_cast<std::size_t>(code)];
        }
    }
    for (int count : seen) {
        if (count != 1) throw "every native code must map to exactly one message";
    }
    return map;
}

constexpr std::array<std::u16string_view, kArchiverMessageCount> BuildMessages() {
    std::array<std::u16string_view, kArchiverMessageCount> texts{};
    for (std::size_t index = 0; index < kMessageTable.size(); ++index) texts[index] = kMessageTable[index].text;
    return texts;
}

constexpr auto kNativeErrorMap = BuildNativeErrorMap();

std::u16string Decimal(std::int64_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string ArgText(const TZFErrorArg& arg) {
    if (const auto* text = std::get_if<std::u16string>(&arg)) return *text;
    return Decimal(std::get<std::int64_t>(arg));
}

// "%s" takes a text, "%d" a decimal number, "%%" is a percent sign. A
// placeholder without an argument left stays as it is.
std::u16string FormatPattern(std::u16string_view pattern, const std::vector<TZFErrorArg>& args) {
    std::u16string text;
    std::size_t next = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char16_t c = pattern[i];
        const char16_t kind = i + 1 < pattern.size() ? pattern[i + 1] : u'\0';
        if (c == u'%' && kind == u'%') {
            text += u'%';
            ++i;
        } else if (c == u'%' && (kind == u's' || kind == u'd') && next < args.size()) {
            text += ArgText(args[next++]);
            ++i;
        } else {
            text += c;
        }
    }
    return text;
}

// "%5d", every blank then replaced by "0": 12 -> "00012", -1 -> "000-1".
std::u16string NativeCodeColumns(std::int32_t nativeErr) {
    std::u16string digits = Decimal(nativeErr);
    if (digits.size() < 5) digits.insert(0, 5 - digits.size(), u'0');
    return digits;
}

}  // namespace

const std::array<std::u16string_view, kArchiverMessageCount> ArchiverMessages = BuildMessages();
const std::array<TZFNativeErrorPair, kNativeErrorCount> NativeErrorMap = kNativeErrorMap;

std::int32_t MessageIndexOf(std::int32_t nativeErr) {
    for (const TZFNativeErrorPair& pair : NativeErrorMap) {
        if (pair.NativeCode == nativeErr) return pair.MessageIndex;
    }
    return 0;
}

std::u16string ComposeArchiverMessage(std::int32_t nativeErr, std::u16string_view componentName,
                                      const std::vector<TZFErrorArg>* args) {
    const std::u16string_view pattern = ArchiverMessages[static_cast<std::size_t>(MessageIndexOf(nativeErr))];
    std::u16string text = args ? FormatPattern(pattern, *args) : std::u16string(pattern);
    if (!componentName.empty()) text = std::u16string(componentName) + u": " + text;
    return text + u" - Native error: " + NativeCodeColumns(nativeErr);
}

EZFException::EZFException(NativeCode nativeErr, const TZFBaseArchiver* component)
        : platform::Exception(
              ComposeArchiverMessage(static_cast<std::int32_t>(nativeErr), component ? component->Name : u"", nullptr)),
          ErrorCode(MessageIndexOf(static_cast<std::int32_t>(nativeErr))),
          NativeError(static_cast<std::int32_t>(nativeErr)) {}

EZFException::EZFException(NativeCode nativeErr, const TZFBaseArchiver* component, std::vector<TZFErrorArg> args)
        : platform::Exception(
              ComposeArchiverMessage(static_cast<std::int32_t>(nativeErr), component ? component->Name : u"", &args)),
          ErrorCode(MessageIndexOf(static_cast<std::int32_t>(nativeErr))),
          NativeError(static_cast<std::int32_t>(nativeErr)) {}

}  // namespace archive
