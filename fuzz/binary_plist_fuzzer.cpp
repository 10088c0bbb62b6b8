// Fuzzes the stand-in converter on binary property lists: the reader, and the
// XML writer over whatever the reader accepted, which must read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_support.h"
#include "details/plist/binary_plist_reader.h"
#include "testkit/plutil/xml_plist_reader.h"
#include "details/plist/xml_plist_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::AsChars({data, size});
    std::string xml;
    try {
        xml = plist::WriteXmlPlist(plist::ReadBinaryPlist(bytes));
    } catch (const plist::PlistError&) {
        return 0;
    }
    try {
        (void)plist::ReadXmlPlist(xml);
    } catch (const plist::PlistError&) {
        std::abort();  // the converter wrote XML it cannot read back
    }
    return 0;
}
