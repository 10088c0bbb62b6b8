// Fuzzes the name index and the name masks with fuzzed names: a script of list
// operations checked against a plain list, the memoised wildcard matcher
// checked against the plain recursive rule, and an archive made of the fuzzed
// names searched and extracted through the archiver.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/archiver.h"
#include "archive/masks.h"
#include "archive/name_index.h"
#include "fuzz/fuzz_support.h"
#include "platform/exception.h"
#include "platform/stream.h"
#include "platform/strings.h"
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

// --- name index against a plain list ---

class IndexModel {
public:
    void Add(std::u16string s) {
        list_.Add(s);
        strings_.push_back(std::move(s));
    }
    // Replacing a string whose key others share removes whichever node of that
    // key the chain holds first, by design; only unique keys are updated here.
    void Update(std::size_t index, std::u16string s) {
        if (index >= strings_.size() || Matches(strings_[index]).size() != 1) return;
        list_.Update(static_cast<std::int32_t>(index), s);
        strings_[index] = std::move(s);
        updated_ = true;
    }
    void Delete(std::size_t index) {
        if (index >= strings_.size()) return;
        list_.Delete(static_cast<std::int32_t>(index));
        strings_.erase(strings_.begin() + static_cast<std::ptrdiff_t>(index));
        updated_ = false;  // the next lookup rebuilds the hash from the list
    }
    void Clear() {
        list_.Clear();
        strings_.clear();
        updated_ = false;
    }
    // Adds answer with the highest index among equal keys; after updates any
    // index whose string has the key is right.
    void Lookup(const std::u16string& s) {
        const std::int32_t found = list_.IndexOf(s);
        const std::vector<std::size_t> matches = Matches(s);
        if (matches.empty()) {
            Check(found == -1);
        } else if (!updated_) {
            Check(found == static_cast<std::int32_t>(matches.back()));
        } else {
            Check(found >= 0 && platform::LowerAscii(strings_[static_cast<std::size_t>(found)]) ==
                                    platform::LowerAscii(s));
        }
    }
    std::size_t Count() const { return strings_.size(); }
    const std::u16string& At(std::size_t index) const { return strings_[index]; }

private:
    std::vector<std::size_t> Matches(const std::u16string& s) const {
        std::vector<std::size_t> result;
        const std::u16string key = platform::LowerAscii(s);
        for (std::size_t i = 0; i < strings_.size(); ++i) {
            if (platform::LowerAscii(strings_[i]) == key) result.push_back(i);
        }
        return result;
    }

    archive::TZFHashedStringList list_;
    std::vector<std::u16string> strings_;
    bool updated_ = false;
};

void RunIndexScript(FuzzedDataProvider& input) {
    IndexModel model;
    model.Lookup(u"");  // the first lookup creates the hash before any add
    const int steps = input.ConsumeIntegralInRange(0, 48);
    for (int step = 0; step < steps && input.remaining_bytes() > 0; ++step) {
        const std::size_t at = input.ConsumeIntegralInRange<std::size_t>(0, model.Count());
        switch (input.ConsumeIntegralInRange(0, 5)) {
            case 0: model.Add(ConsumeName(input)); break;
            case 1: model.Update(at, ConsumeName(input)); break;
            case 2: model.Delete(at); break;
            case 3: model.Clear(); break;
            case 4: if (at < model.Count()) model.Lookup(platform::LowerAscii(model.At(at))); break;
            default: model.Lookup(ConsumeName(input)); break;
        }
    }
    for (std::size_t i = 0; i < model.Count(); ++i) model.Lookup(model.At(i));
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
        for (bool found = arc.FindFirst(mask, item, input.ConsumeIntegral<std::uint8_t>(), u"");
             found && hits < 64; found = arc.FindNext(item), ++hits) {
        }
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
        case 0: RunIndexScript(input); break;
        case 1: CheckMasks(input); break;
        default: SearchArchiveOfNames(input); break;
    }
    return 0;
}
