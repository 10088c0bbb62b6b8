#pragma once
// Base of every error the program raises, and the stream layer's own error
// classes. Messages are UTF-16 (what the error box shows); what() gives UTF-8.

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace platform {

class Exception : public std::exception {
public:
    explicit Exception(std::u16string message);
    const std::u16string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    std::u16string message_;
    std::string utf8_;
};

// "Datei %s kann nicht geöffnet werden. %s": a file that cannot be opened.
class EFOpenError : public Exception {
public:
    EFOpenError(std::u16string_view path, std::uint32_t systemError);
};

// "Datei %s kann nicht erstellt werden. %s": a file that cannot be created.
class EFCreateError : public Exception {
public:
    EFCreateError(std::u16string_view path, std::uint32_t systemError);
};

// "Stream-Lesefehler": fewer bytes arrived than a read required.
class EReadError : public Exception {
public:
    EReadError();
};

// "Stream-Schreibfehler": fewer bytes were written than required.
class EWriteError : public Exception {
public:
    EWriteError();
};

// "Größenlimit von %d Bytes überschritten": more bytes than a bounded reader
// or writer takes. Raised before the bytes beyond the limit are touched.
class ESizeLimitError : public Exception {
public:
    explicit ESizeLimitError(std::int64_t limit);
};

}  // namespace platform
