// list: one line per directory item; info: key=value lines about the archive.
#include <cstdio>

#include "platform/file_stream.h"
#include "platform/strings.h"
#include "inspector/command.h"

namespace vantrel_zip {

// The inspector only reads: it shares the archive with other readers and
// keeps writers out while it reads.
constexpr std::uint16_t kReadSharedMode = platform::kFmOpenRead | platform::kFmShareDenyWrite;

void OpenForCommand(archive::TZFArchiver& arc, const Invocation& invocation, const std::u16string& path) {
    arc.SetFileName(path);
    if (invocation.strict) arc.FOpenCorruptedArchives = false;
    arc.OpenArchive(kReadSharedMode);
}

std::string Hex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text += kDigits[b >> 4];
        text += kDigits[b & 0xF];
    }
    return text;
}

std::string Hex32(std::uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
    return text;
}

// INDEX NAME METHOD COMPSIZE UNCOMPSIZE CRC ATTR OFFSET, tab-separated; sizes
// and offset are the zip64 values where the central field is all ones.
int RunList(const Invocation& invocation) {
    archive::TZFArchiver arc;
    OpenForCommand(arc, invocation, invocation.args[0]);
    const archive::TZFDirArray& dir = arc.DMHandle->CDir;
    for (std::int32_t i = 0; i < dir.Count(); ++i) {
        const archive::TDirItem& item = dir.ItemRef(i);
        invocation.out << i << '\t' << platform::WideToUtf8(item.Name()) << '\t' << item.CompressionMethod << '\t'
                       << item.CompressedSize() << '\t' << item.UncompressedSize() << '\t'
                       << Hex32(item.CentralDir.crc32) << '\t' << Hex32(item.CentralDir.externalAttr) << '\t'
                       << item.LocalHeaderOffset() << '\n';
    }
    return 0;
}

int RunInfo(const Invocation& invocation) {
    archive::TZFArchiver arc;
    OpenForCommand(arc, invocation, invocation.args[0]);
    const archive::TZFDirManager& dm = *arc.DMHandle;
    invocation.out << "size=" << arc.Size() << '\n'
                   << "items=" << dm.CDir.Count() << '\n'
                   << "stub=" << dm.StubSize << '\n'
                   << "centraldir=" << dm.CentralDirOffset << '\n'
                   << "zip64=" << (dm.FZip64 ? 1 : 0) << '\n'
                   << "comment=" << Hex(arc.Comment()) << '\n';
    return 0;
}

}  // namespace vantrel_zip
