#include "details/metadata_conversion.h"

#include "details/plist/xml_plist_writer.h"

namespace details {

std::optional<std::string> BinaryMetadataAsXml(std::string_view bytes) {
    if (!plist::LooksLikeBinaryPlist(bytes)) return std::nullopt;
    try {
        return plist::WriteXmlPlist(plist::ReadBinaryPlist(bytes, kMetadataReadLimits), kMetadataXmlLimit);
    } catch (const plist::PlistError&) {
        // As a converter that fails: the copy stays as extracted and yields nothing.
        return std::nullopt;
    }
}

}  // namespace details
