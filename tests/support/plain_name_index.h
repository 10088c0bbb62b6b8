#pragma once
// The directory's name index as its rule states it, for the tests and the
// fuzzer to hold the real one against: every item named since its slot was
// made is indexed under its name folded in ASCII only ("A"-"Z" to "a"-"z"),
// and a lookup answers with the highest such item, found by reading them all.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

class PlainNameIndex {
public:
    // Slots from `count` on are dropped; new slots have never been named.
    void SetCount(std::size_t count) { names_.resize(count); }
    std::size_t Count() const { return names_.size(); }

    // The highest named item whose name folds like `name`, or -1.
    std::int32_t Find(std::u16string_view name) const {
        const std::u16string key = Folded(name);
        for (std::size_t i = names_.size(); i-- > 0;) {
            if (names_[i] && Folded(*names_[i]) == key) return static_cast<std::int32_t>(i);
        }
        return -1;
    }
    // A rename of item `index` is refused (native code 59) exactly when the
    // name it has now (empty when never named) is indexed at another item.
    bool RenameRefused(std::size_t index) const {
        const std::int32_t holder = Find(NameOf(index));
        return holder >= 0 && holder != static_cast<std::int32_t>(index);
    }
    void Rename(std::size_t index, std::u16string name) { names_[index] = std::move(name); }
    // The item's name, empty when it was never named.
    std::u16string NameOf(std::size_t index) const { return names_[index].value_or(u""); }

private:
    static std::u16string Folded(std::u16string_view name) {
        std::u16string folded(name);
        for (char16_t& unit : folded) {
            if (unit >= u'A' && unit <= u'Z') unit = static_cast<char16_t>(unit + (u'a' - u'A'));
        }
        return folded;
    }

    std::vector<std::optional<std::u16string>> names_;
};

}  // namespace testing_support
