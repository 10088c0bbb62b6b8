#include "platform/exception.h"

#include "platform/strings.h"
#include "platform/system_error.h"

namespace platform {
namespace {

// The runtime's file messages end with the system's description of the error,
// with trailing blanks and dots removed.
std::u16string FileMessage(std::u16string_view format, std::u16string_view path, std::uint32_t systemError) {
    std::u16string description = SystemErrorMessage(systemError);
    while (!description.empty() && (description.back() <= u' ' || description.back() == u'.')) {
        description.pop_back();
    }
    std::u16string text;
    for (std::size_t i = 0, arg = 0; i < format.size(); ++i) {
        if (format[i] == u'%' && i + 1 < format.size() && format[i + 1] == u's') {
            text += arg++ == 0 ? std::u16string(path) : description;
            ++i;
        } else {
            text += format[i];
        }
    }
    return text;
}

}  // namespace

Exception::Exception(std::u16string message) : message_(std::move(message)), utf8_(WideToUtf8(message_)) {}

EFOpenError::EFOpenError(std::u16string_view path, std::uint32_t systemError)
        : Exception(FileMessage(u"Datei %s kann nicht ge\u00f6ffnet werden. %s", path, systemError)) {}

EFCreateError::EFCreateError(std::u16string_view path, std::uint32_t systemError)
        : Exception(FileMessage(u"Datei %s kann nicht erstellt werden. %s", path, systemError)) {}

EReadError::EReadError() : Exception(u"Stream-Lesefehler") {}

EWriteError::EWriteError() : Exception(u"Stream-Schreibfehler") {}

ESizeLimitError::ESizeLimitError(std::int64_t limit)
        : Exception(u"Gr\u00f6\u00dfenlimit von " + ToWide(limit) + u" Bytes \u00fcberschritten") {}

}  // namespace platform
