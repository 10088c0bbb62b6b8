#pragma once
// The archiver's own exception: a native error code, the message index it maps
// to, and the composed message "[Name: ]text - Native error: 00035".

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/exception.h"

namespace archive {

class TZFBaseArchiver;

// One argument of a formatted message: text for "%s", a number for "%d".
using TZFErrorArg = std::variant<std::u16string, std::int64_t>;

struct TZFNativeErrorPair {
    std::int32_t NativeCode;
    std::int32_t MessageIndex;
};

inline constexpr std::size_t kArchiverMessageCount = 41;
inline constexpr std::size_t kNativeErrorCount = 68;

// The native codes this reader raises, one name each, by where they are
// raised. The message a code gives is the row of the message table in
// errors.cpp that lists it; any other code (the table maps 0 to 67) is built
// as NativeCode{n}.
enum class NativeCode : std::int32_t {
    // The directory array.
    kCopyIndexOutOfRange = 2,     // an item read by copy
    kInPlaceIndexOutOfRange = 3,  // an item read in place
    kNameIndexOutOfStep = 59,     // a renamed item's current name is indexed at another item
    // Opening.
    kBlankNameNoMode = 9,  // OpenArchive() without a mode
    kBlankName = 10,
    kFileNotFound = 12,
    kInMemoryCreateOnly = 28,
    kNoEndRecord = 48,  // while damaged archives are not opened
    kCustomStreamSpanning = 51,
    // Loading the directory.
    kNoLocalHeader = 35,    // the recovery road found no local header
    kZip64EndMissing = 40,  // a zip64 locator points at no zip64 end record
    kMultiVolume = 44,      // several volumes, when opened or when the directory would be rebuilt
    kSizesExceedFile = 57,  // only while damaged archives are not opened
    // The open archive and extraction.
    kNotOpen = 13,
    kItemNotFound = 15,
    kExtractIndexOutOfRange = 16,
    kUpdateNotEnded = 26,
    kInvalidItemData = 8,  // a member's size or CRC-32 disagrees, or its method is unknown
    kDeflate64 = 55,
    kDiskFull = 65,  // the caller's stream took fewer bytes, without a handler
};

// Message texts by index; and the native code -> message index pairs, in
// ascending native code order. Both come from one table in errors.cpp.
extern const std::array<std::u16string_view, kArchiverMessageCount> ArchiverMessages;
extern const std::array<TZFNativeErrorPair, kNativeErrorCount> NativeErrorMap;

class EZFException : public platform::Exception {
public:
    // The message is the plain text of the code (placeholders kept). `component`
    // may be null; a component with a non-empty Name prefixes the message.
    EZFException(NativeCode nativeErr, const TZFBaseArchiver* component);
    // The text is a pattern formatted with `args` ("%s", "%d").
    EZFException(NativeCode nativeErr, const TZFBaseArchiver* component, std::vector<TZFErrorArg> args);

    std::int32_t ErrorCode = 0;
    std::int32_t NativeError = 0;
};

// The message index of a native code (0 when the code is not in the map).
std::int32_t MessageIndexOf(std::int32_t nativeErr);

// "text - Native error: 00012", prefixed with "Name: " when `componentName` is not empty.
std::u16string ComposeArchiverMessage(std::int32_t nativeErr, std::u16string_view componentName,
                                      const std::vector<TZFErrorArg>* args);

}  // namespace archive
