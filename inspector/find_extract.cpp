// find: the hits of FindFirst / FindNext, one per line; extract: one member's
// bytes, written to the output unchanged as they are decoded.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "archive/archiver.h"
#include "platform/codepage.h"
#include "platform/strings.h"
#include "inspector/command.h"
#include "inspector/output_stream.h"

namespace vantrel_zip {
namespace {

std::invalid_argument BadOption(const std::u16string& option) {
    return std::invalid_argument("unknown or incomplete option: " + platform::WideToUtf8(option));
}

// Decimal, or hexadecimal after "0x"; up to 32 bits.
std::int32_t ParseAttributes(const std::u16string& text) {
    const bool hex = text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X');
    const unsigned base = hex ? 16 : 10;
    std::uint64_t value = 0;
    const std::size_t first = hex ? 2 : 0;
    if (text.size() <= first) throw BadOption(u"--attr " + text);
    for (std::size_t i = first; i < text.size(); ++i) {
        const char16_t c = platform::LowerAscii(text[i]);
        const unsigned digit = (c >= u'0' && c <= u'9')          ? static_cast<unsigned>(c - u'0')
                               : (hex && c >= u'a' && c <= u'f') ? static_cast<unsigned>(c - u'a' + 10)
                                                                 : base;
        if (digit >= base) throw BadOption(u"--attr " + text);
        value = value * base + digit;
        if (value > 0xFFFFFFFFu) throw BadOption(u"--attr " + text);
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

struct FindOptions {
    bool recurse = false;
    std::int32_t searchAttr = archive::kDefaultSearchAttr;
};

FindOptions ParseFindOptions(const std::vector<std::u16string>& args) {
    FindOptions options;
    for (std::size_t i = 2; i < args.size(); ++i) {
        if (args[i] == u"--recurse") {
            options.recurse = true;
        } else if (args[i] == u"--attr" && i + 1 < args.size()) {
            options.searchAttr = ParseAttributes(args[++i]);
        } else {
            throw BadOption(args[i]);
        }
    }
    return options;
}

struct ExtractOptions {
    bool hasPassword = false;
    std::u16string password;
    bool corrupted = false;
};

ExtractOptions ParseExtractOptions(const std::vector<std::u16string>& args) {
    ExtractOptions options;
    for (std::size_t i = 2; i < args.size(); ++i) {
        if (args[i] == u"--password" && i + 1 < args.size()) {
            options.hasPassword = true;
            options.password = args[++i];
        } else if (args[i] == u"--corrupted") {
            options.corrupted = true;
        } else {
            throw BadOption(args[i]);
        }
    }
    return options;
}

}  // namespace

// ITEMNO<TAB>StoredPath<TAB>FileName per hit, in UTF-8.
int RunFind(const Invocation& invocation) {
    const FindOptions options = ParseFindOptions(invocation.args);
    archive::TZFArchiver arc;
    OpenForCommand(arc, invocation, invocation.args[0]);
    arc.FOptions.FRecurse = options.recurse;
    archive::TZFArchiveItem f;
    for (bool found = arc.FindFirst(invocation.args[1], f, options.searchAttr, u""); found; found = arc.FindNext(f)) {
        invocation.out << f.Handle.ItemNo << '\t' << platform::WideToUtf8(f.StoredPath) << '\t'
                       << platform::WideToUtf8(f.FileName) << '\n';
    }
    return 0;
}

// A member whose password is wrong or missing is skipped without a prompt:
// no bytes, and a failure of its own, so that a script never takes the empty
// output for the member. A member that fails its size or check-sum test has
// been written as it arrived.
int RunExtract(const Invocation& invocation) {
    const ExtractOptions options = ParseExtractOptions(invocation.args);
    archive::TZFArchiver arc;
    OpenForCommand(arc, invocation, invocation.args[0]);
    if (options.hasPassword) arc.FPassword = platform::WideToAnsi(options.password);
    arc.FExtractCorruptedFiles = options.corrupted;
    bool refused = false;
    std::u16string refusedName;
    arc.OnPassword = [&](archive::TZFBaseArchiver&, const std::u16string& name, std::string&, bool& skipFile) {
        refused = true;
        refusedName = name;
        skipFile = true;
    };
    OutputStream member(invocation.out);
    arc.ExtractToStream(invocation.args[1], member);
    if (!refused) return 0;
    const std::string name = platform::WideToUtf8(refusedName);
    throw PasswordRefused(options.hasPassword ? "wrong password for \"" + name + "\""
                                              : "\"" + name + "\" is encrypted: no password given");
}

}  // namespace vantrel_zip
