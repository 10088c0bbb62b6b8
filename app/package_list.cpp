#include "app/package_list.h"

#include "platform/file_system.h"
#include "platform/strings.h"

namespace app {

std::u16string NameWithoutExtension(std::u16string_view fileName) {
    const std::size_t dot = fileName.rfind(u'.');
    return std::u16string(dot == std::u16string_view::npos ? fileName : fileName.substr(0, dot));
}

std::vector<std::u16string> ListPackageNames(std::u16string_view packageFolder) {
    std::vector<std::u16string> names;
    for (const auto& entry : platform::FindEntries(std::u16string(packageFolder) + std::u16string(kPackagePattern))) {
        names.push_back(NameWithoutExtension(entry.name));
    }
    return names;
}

std::u16string TotalCaption(std::size_t count) {
    return u"Total: " + platform::ToWide(static_cast<long long>(count)) + u" Apps";
}

}  // namespace app
