// Fuzzes the name index and the name masks with fuzzed names: a script of the
// directory's naming and lookups checked against a plain list, the memoised
// wildcard matcher checked against the plain recursive rule, and an archive
// made of the fuzzed names searched and extracted through the archiver.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/archiver.h"
#include "archive/dir_array.h"
#include "archive/errors.h"
#include "archive/masks.h"
#include "fuzz/fuzz_support.h"
#include "platform/exception.h"
#include "platform/stream.h"
#include "platform/strings.h"
#include "tests/support/plain_name_index.h"
#include "tests/support/zip_writer.h"

namespace {

constexpr std::size_t kMaxNameBytes = 96;

void Check(bool condition) {
    if (!condition) std::abort();
}

std::u16string ConsumeName(FuzzedDataProvider& input) {
    const std::string bytes = input.ConsumeRandomLengthString(kMaxNameBytes);
    return fuzz::AsUtf16({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

// --- the directory's name index against a plain list ---

// The directory as a load and a search use it: counts set, items named (a
// rename refused exactly where the plain rule refuses it), names looked up
// (the first few lookups read the items, later ones the placed table).
class IndexScript {
public:
    void SetCount(std::size_t count) {
        dir_.SetCount(static_cast<std::int32_t>(count));
        plain_.SetCount(count);
    }
    void Rename(std::size_t index, std::u16string name) {
        if (index >= plain_.Count()) return;
        const bool refused = plain_.RenameRefused(index);
        try {
            dir_.SetItemName(static_cast<std::int32_t>(index), name);
            Check(!refused);
            plain_.Rename(index, std::move(name));
        } catch (const archive::EZFException& e) {
            Check(refused && e.NativeError == 59);
        }
        Check(dir_.ItemRef(static_cast<std::int32_t>(index)).Name() == plain_.NameOf(index));
    }
    void Lookup(std::u16string_view name) {
        std::int32_t found = -2;
        const bool exists = dir_.FileExists(name, found);
        Check(found == plain_.Find(name) && exists == (found >= 0));
    }
    std::size_t Count() const { return plain_.Count(); }
    std::u16string NameOf(std::size_t index) const { return plain_.NameOf(index); }

private:
    archive::TZFDirArray dir_;
    testing_support::PlainNameIndex plain_;
};

void RunIndexScript(FuzzedDataProvider& input) {
    IndexScript script;
    script.SetCount(input.ConsumeIntegralInRange<std::size_t>(0, 16));
    const int steps = input.ConsumeIntegralInRange(0, 48);
    for (int step = 0; step < steps && input.remaining_bytes() > 0; ++step) {
        const std::size_t at = input.ConsumeIntegralInRange<std::size_t>(0, script.Count());
        switch (input.ConsumeIntegralInRange(0, 4)) {
        case 0:
            script.SetCount(input.ConsumeIntegralInRange<std::size_t>(0, 64));
            break;
        case 1:
        case 2:
            script.Rename(at, ConsumeName(input));
            break;
        case 3:
            if (at < script.Count()) script.Lookup(platform::LowerAscii(script.NameOf(at)));
            break;
        default:
            script.Lookup(ConsumeName(input));
            break;
        }
    }
    for (std::size_t i = 0; i < script.Count(); ++i) script.Lookup(script.NameOf(i));
}

// --- masks against the plain rule ---

bool SameUnit(char16_t a, char16_t b, bool caseInsensitive) {
    return a == b || (caseInsensitive && platform::LowerAscii(a) == platform::LowerAscii(b));
}

// The wildcard rule without memory: exponential, so only for short texts.
bool PlainWildcardMatch(std::u16string_view name, std::u16string_view mask, bool caseInsensitive) {
    if (mask == u"*" || mask == u"*.*") return true;
    if (name.empty()) return mask.empty();
    if (mask.empty()) return false;
    if (mask[0] == u'*') {
        for (std::size_t k = 0; k < name.size(); ++k) {
            if (PlainWildcardMatch(name.substr(k), mask.substr(1), caseInsensitive)) return true;
        }
        return false;
    }
    if (mask[0] != u'?' && !SameUnit(name[0], mask[0], caseInsensitive)) return false;
    return PlainWildcardMatch(name.substr(1), mask.substr(1), caseInsensitive);
}

void CheckMasks(FuzzedDataProvider& input) {
    const std::u16string name = ConsumeName(input);
    const std::u16string mask = ConsumeName(input);
    const std::u16string exclusion = ConsumeName(input);
    const bool caseInsensitive = input.ConsumeBool();
    const bool matches = archive::WildcardMatch(name, mask, caseInsensitive);
    if (name.size() <= 16 && mask.size() <= 12) Check(matches == PlainWildcardMatch(name, mask, caseInsensitive));
    Check(archive::WildcardMatch(name, u"*", caseInsensitive));
    if (name.find_first_of(u"*?") == std::u16string::npos) Check(archive::WildcardMatch(name, name, false));
    Check(archive::WildcardMatch(name, mask, true) ==
          archive::WildcardMatch(platform::LowerAscii(name), platform::LowerAscii(mask), false));
    Check(!archive::MatchFileMask(name, u""));
    const bool fileMatch = archive::MatchFileMask(name, mask);
    Check(archive::MatchesMaskLists(name, {mask}, {}) == fileMatch);
    Check(!archive::MatchesMaskLists(name, {mask}, {mask}));
    (void)archive::MatchesMaskLists(name, {mask, u"*.plist"}, {exclusion});
    const std::u16string_view extension = archive::FileExtension(name);
    Check(extension.empty() || (extension[0] == u'.' && name.ends_with(extension)));
}

// --- an archive of fuzzed names, through the archiver ---

void SearchArchiveOfNames(FuzzedDataProvider& input) {
    testing_support::ZipWriter writer;
    const int count = input.ConsumeIntegralInRange(0, 12);
    for (int i = 0; i < count; ++i) {
        testing_support::ZipMember member{.name = input.ConsumeRandomLengthString(kMaxNameBytes), .data = "x"};
        member.flags = input.ConsumeBool() ? 0x0800 : 0;  // names in UTF-8 or in the OEM code page
        member.externalAttr = input.ConsumeIntegral<std::uint8_t>();
        writer.Add(std::move(member));
    }
    const std::u16string mask = ConsumeName(input);
    platform::MemoryStream stream;
    const std::string bytes = writer.Build().bytes;
    stream.WriteBuffer(bytes.data(), bytes.size());
    archive::TZFArchiver arc;
    arc.FOptions.FOEMFileNames = input.ConsumeBool();
    arc.FOptions.FRecurse = input.ConsumeBool();
    try {
        arc.OpenArchive(stream, false);
        archive::TZFArchiveItem item;
        int hits = 0;
        for (bool found = arc.FindFirst(mask, item, input.ConsumeIntegral<std::uint8_t>(), u""); found && hits < 64;
             found = arc.FindNext(item), ++hits) {}
        platform::MemoryStream sink;
        arc.ExtractToStream(mask, sink);
    } catch (const platform::Exception&) {
        // No such item, or a name the archiver refuses: expected answers.
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    switch (input.ConsumeIntegralInRange(0, 2)) {
    case 0:
        RunIndexScript(input);
        break;
    case 1:
        CheckMasks(input);
        break;
    default:
        SearchArchiveOfNames(input);
        break;
    }
    return 0;
}
