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

// The native codes this reader raises, one name each. The message a code
// gives is the row of the message table in errors.cpp that lists it; any
// other code (the table maps 0 to 67) is built as NativeCode{n}.
enum class NativeCode : std::int32_t {
    kCopyIndexOutOfRange = 2,     // an item read by copy
    kInPlaceIndexOutOfRange = 3,  // an item read in place
    kInvalidItemData = 8,         // a member's size or CRC-32 disagrees, or its method is unknown
    kBlankNameNoMode = 9,         // OpenArchive() without a mode
    kBlankName = 10,
    kFileNotFound = 12,
    kNotOpen = 13,
    kItemNotFound = 15,
    kExtractIndexOutOfRange = 16,
    kUpdateNotEnded = 26,
    kInMemoryCreateOnly = 28,
    kNoLocalHeader = 35,  // the recovery road found no local header
    kZip64EndMissing = 40,
    kMultiVolume = 44,  // an archive of several volumes, when opened or when it would be rebuilt
    kNoEndRecord = 48,
    kCustomStreamSpanning = 51,
    kDeflate64 = 55,
    kSizesExceedFile = 57,
    kNameIndexOutOfStep = 59,
    kDiskFull = 65,
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
