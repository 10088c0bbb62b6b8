#include "archive/masks.h"

#include <cstddef>

#include "platform/strings.h"

namespace archive {
namespace {

bool IsPathSeparator(char16_t c) { return c == u'\\' || c == u'/' || c == u':'; }

// The recursive wildcard rule, evaluated without backtracking blow-up: the outcome
// of matching "name from i" against "mask from j" depends on (i, j) only, so every
// "*" position that failed for a name position is remembered. Masks with one "*"
// never need that memory; masks with several would otherwise cost exponential time
// on long names (member names come from the archive and may be 65535 units long).
class WildcardMatcher {
public:
    WildcardMatcher(std::u16string_view name, std::u16string_view mask, bool caseInsensitive)
            : name_(name), mask_(mask), caseInsensitive_(caseInsensitive) {
        for (std::size_t j = 0; j < mask_.size(); ++j) {
            if (mask_[j] == u'*') starIndex_.push_back(j);
        }
    }

    bool Match(std::size_t i, std::size_t j) {
        for (;;) {
            const std::u16string_view restMask = mask_.substr(j);
            if (restMask == u"*" || restMask == u"*.*") return true;
            if (i == name_.size()) return restMask.empty();
            if (restMask.empty()) return false;
            const char16_t m = mask_[j];
            if (m == u'*') return MatchStar(i, j);
            if (m != u'?' && !SameUnit(name_[i], m)) return false;
            ++i;
            ++j;
        }
    }

private:
    // "*" at mask position j: try the rest of the name from i, i+1, ... up to its last
    // unit (a "*" that must swallow everything is the "*" rule of Match). A start k
    // already known to fail for this "*" fails for every later start as well.
    bool MatchStar(std::size_t i, std::size_t j) {
        const std::size_t star = StarNumber(j);
        std::size_t k = i;
        for (; k < name_.size() && !KnownFailure(k, star); ++k) {
            if (Match(k, j + 1)) return true;
        }
        if (star != kNoStar) {
            for (std::size_t f = i; f < k; ++f) failed_[f * starIndex_.size() + star] = true;
        }
        return false;
    }

    // Failures are remembered only for masks with several stars; one star alone costs
    // no more than one pass per start.
    std::size_t StarNumber(std::size_t j) {
        if (starIndex_.size() < 2) return kNoStar;
        if (failed_.empty()) failed_.assign((name_.size() + 1) * starIndex_.size(), false);
        std::size_t star = 0;
        while (starIndex_[star] != j) ++star;
        return star;
    }

    bool KnownFailure(std::size_t k, std::size_t star) const {
        return star != kNoStar && failed_[k * starIndex_.size() + star];
    }

    bool SameUnit(char16_t a, char16_t b) const {
        if (a == b) return true;
        return caseInsensitive_ && platform::LowerAscii(a) == platform::LowerAscii(b);
    }

    static constexpr std::size_t kNoStar = static_cast<std::size_t>(-1);

    std::u16string_view name_;
    std::u16string_view mask_;
    bool caseInsensitive_;
    std::vector<std::size_t> starIndex_;
    std::vector<bool> failed_;
};

}  // namespace

bool WildcardMatch(std::u16string_view name, std::u16string_view mask, bool caseInsensitive) {
    WildcardMatcher matcher(name, mask, caseInsensitive);
    return matcher.Match(0, 0);
}

std::u16string_view FileExtension(std::u16string_view path) {
    for (std::size_t i = path.size(); i > 0; --i) {
        const char16_t c = path[i - 1];
        if (c == u'.') return path.substr(i - 1);
        if (IsPathSeparator(c)) break;
    }
    return {};
}

bool MatchFileMask(std::u16string_view name, std::u16string_view mask) {
    if (mask.empty()) return false;
    std::u16string pattern;
    if (const auto star = mask.find(u"*.*"); star != std::u16string_view::npos) {
        pattern.append(mask.substr(0, star)).append(u"*").append(mask.substr(star + 3));
    } else {
        pattern.assign(mask);
    }
    const bool maskEndsInDot = mask.back() == u'.';
    if (maskEndsInDot) pattern.pop_back();

    std::u16string_view subject = name;
    if (!subject.empty() && subject.back() == u'.') subject.remove_suffix(1);
    if (!WildcardMatch(subject, pattern, true)) return false;
    if (!maskEndsInDot) return true;
    const std::u16string_view extension = FileExtension(name);
    return extension.empty() || extension == u".";
}

bool AttributesMatch(std::uint32_t attributes, std::int32_t findAttr) {
    return (attributes & 0x1Eu & ~static_cast<std::uint32_t>(findAttr)) == 0;
}

bool MatchesMaskLists(std::u16string_view name, const MaskList& fileMasks, const MaskList& exclusionMasks) {
    bool included = false;
    for (const auto& mask : fileMasks) {
        if (MatchFileMask(name, mask)) {
            included = true;
            break;
        }
    }
    if (!included) return false;
    for (const auto& mask : exclusionMasks) {
        if (MatchFileMask(name, mask)) return false;
    }
    return true;
}

}  // namespace archive
