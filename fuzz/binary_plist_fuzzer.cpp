// Fuzzes the binary property-list reader and the XML writer: the stand-in
// converter's road (whatever the reader accepts is written as XML that reads
// back) and the program's own bounded conversion of metadata, which gives
// that same text or nothing, and never more than its bound.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "details/metadata_conversion.h"
#include "details/plist/binary_plist_reader.h"
#include "details/plist/xml_plist_writer.h"
#include "fuzz/fuzz_support.h"
#include "testkit/plutil/xml_plist_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::AsChars({data, size});
    const std::optional<std::string> bounded = details::BinaryMetadataAsXml(bytes);
    if (bounded && bounded->size() > details::kMetadataXmlLimit) std::abort();
    std::string xml;
    try {
        xml = plist::WriteXmlPlist(plist::ReadBinaryPlist(bytes));
    } catch (const plist::PlistError&) {
        if (bounded) std::abort();  // the bounded road took what the unbounded one refused
        return 0;
    }
    if (bounded && *bounded != xml) std::abort();
    try {
        (void)plist::ReadXmlPlist(xml);
    } catch (const plist::PlistError&) {
        std::abort();  // the converter wrote XML it cannot read back
    }
    return 0;
}
