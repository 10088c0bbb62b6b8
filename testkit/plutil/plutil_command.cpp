#include "testkit/plutil/plutil_command.h"

#include <exception>
#include <optional>

#include "platform/file_stream.h"
#include "platform/strings.h"
#include "details/plist/binary_plist_reader.h"
#include "testkit/plutil/xml_plist_reader.h"
#include "details/plist/xml_plist_writer.h"

namespace plist {

namespace {

constexpr std::string_view kUsage = "usage: plutil -convert xml1 [-s] FILE\n";

// Only the one conversion the program asks for; "-s" (silent) is accepted and
// changes nothing, since nothing is printed on success anyway.
std::optional<std::u16string> ParseArguments(const std::vector<std::u16string>& arguments) {
    std::optional<std::u16string> file;
    bool converting = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::u16string& argument = arguments[i];
        if (argument == u"-convert") {
            if (converting || i + 1 == arguments.size() || arguments[i + 1] != u"xml1") return std::nullopt;
            converting = true;
            ++i;
        } else if (argument == u"-s") {
            continue;
        } else if (argument.empty() || argument.front() == u'-' || file) {
            return std::nullopt;
        } else {
            file = argument;
        }
    }
    if (!converting) return std::nullopt;
    return file;
}

bool StartsLikeXml(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    const std::size_t first = bytes.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && bytes[first] == '<';
}

std::string ReadWholeFile(const std::u16string& path) {
    platform::FileStream file(path, platform::kFmOpenRead | platform::kFmShareDenyWrite);
    const std::int64_t size = file.Size();
    if (size > kMaxInputBytes) throw PlistError("file too large");
    std::string bytes(static_cast<std::size_t>(size), '\0');
    file.ReadBuffer(bytes.data(), bytes.size());
    return bytes;
}

void WriteWholeFile(const std::u16string& path, std::string_view bytes) {
    platform::FileStream file(path, platform::kFmCreate);
    file.WriteBuffer(bytes.data(), bytes.size());
}

}  // namespace

std::string ConvertToXml(std::string_view bytes) {
    if (LooksLikeBinaryPlist(bytes)) return WriteXmlPlist(ReadBinaryPlist(bytes));
    if (StartsLikeXml(bytes)) return WriteXmlPlist(ReadXmlPlist(bytes));
    throw PlistError("not a property list");
}

int RunPlutil(const std::vector<std::u16string>& arguments, std::ostream& errors) {
    const std::optional<std::u16string> file = ParseArguments(arguments);
    if (!file) {
        errors << kUsage;
        return kExitFailure;
    }
    try {
        const std::string xml = ConvertToXml(ReadWholeFile(*file));
        WriteWholeFile(*file, xml);
        return kExitSuccess;
    } catch (const std::exception& error) {
        errors << platform::WideToUtf8(*file) << ": " << error.what() << "\n";
        return kExitFailure;
    }
}

}  // namespace plist
