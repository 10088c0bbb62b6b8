#pragma once
// Fixtures of the search, extraction and rebuild tests: an archive written to a
// temporary file and opened as the program opens packages (mode 0), a capture of
// how one extraction ended, and encrypted members built with the real cipher.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archiver.h"
#include "archive/errors.h"
#include "archive/pkware_crypt.h"
#include "platform/exception.h"
#include "platform/password_prompt.h"
#include "platform/stream.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_writer.h"

namespace extraction_tests {

// The archive bytes in a file of a fresh folder, opened read-only.
class OpenedArchive {
public:
    explicit OpenedArchive(const std::string& bytes) : path_(dir_.Write(u"package.ipa", bytes)) {
        arc.SetFileName(path_);
        arc.OpenArchive(0);
    }
    const std::u16string& Path() const { return path_; }

    archive::TZFArchiver arc;

private:
    testing_support::TempDir dir_;
    std::u16string path_;
};

struct Extraction {
    bool ok = false;
    std::int32_t nativeError = 0;  // of an EZFException
    bool readError = false;        // the stream layer's EReadError
    std::string message;
    std::string bytes;  // what reached the stream, whatever the outcome
};

// Extracts `name` into `stream` and records the outcome.
inline Extraction ExtractInto(archive::TZFBaseArchiver& arc, std::u16string_view name, platform::MemoryStream& stream) {
    Extraction result;
    try {
        arc.ExtractToStream(name, stream);
        result.ok = true;
    } catch (const archive::EZFException& e) {
        result.nativeError = e.NativeError;
        result.message = e.what();
    } catch (const platform::EReadError& e) {
        result.readError = true;
        result.message = e.what();
    }
    result.bytes.assign(stream.Data().begin(), stream.Data().end());
    return result;
}

inline Extraction Extract(archive::TZFBaseArchiver& arc, std::u16string_view name) {
    platform::MemoryStream stream;
    return ExtractInto(arc, name, stream);
}

// A member encrypted with traditional PKWARE encryption: the 12-byte header whose
// last byte is the check byte, then the stored or deflated data, all encrypted.
inline testing_support::ZipMember EncryptedMember(std::string name, std::string plain, std::string_view password,
                                                  std::uint16_t method = 0, bool dataDescriptor = false) {
    testing_support::ZipMember member{.name = std::move(name), .data = std::move(plain), .method = method};
    member.flags = 0x0001;
    member.dataDescriptor = dataDescriptor;
    const std::uint32_t crc = testing_support::Crc32(member.data);
    const std::uint8_t check =
        dataDescriptor ? static_cast<std::uint8_t>(member.time >> 8) : static_cast<std::uint8_t>(crc >> 24);
    std::string header = "0123456789A";
    header += static_cast<char>(check);
    std::string payload = header + (method == 8 ? testing_support::RawDeflate(member.data) : member.data);
    archive::PkwareCipher cipher(password);
    cipher.Encrypt({reinterpret_cast<std::uint8_t*>(payload.data()), payload.size()});
    member.rawData = std::move(payload);
    return member;
}

// Answers the prompt from a script and records who was asked.
class ScriptedPrompt {
public:
    explicit ScriptedPrompt(std::vector<std::optional<std::u16string>> answers) : answers_(std::move(answers)) {
        platform::SetPasswordPromptAnswer([this](std::u16string_view name) -> std::optional<std::u16string> {
            asked.emplace_back(name);
            if (next_ >= answers_.size()) return std::nullopt;
            return answers_[next_++];
        });
    }
    ~ScriptedPrompt() { platform::SetPasswordPromptAnswer(nullptr); }
    ScriptedPrompt(const ScriptedPrompt&) = delete;
    ScriptedPrompt& operator=(const ScriptedPrompt&) = delete;

    std::vector<std::u16string> asked;

private:
    std::vector<std::optional<std::u16string>> answers_;
    std::size_t next_ = 0;
};

}  // namespace extraction_tests
