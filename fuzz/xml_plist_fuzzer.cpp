// Fuzzes the stand-in converter on XML property lists: the reader, and the
// writer over whatever the reader accepted, which must read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_support.h"
#include "testkit/plutil/xml_plist_reader.h"
#include "details/plist/xml_plist_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string xml;
    try {
        xml = plist::WriteXmlPlist(plist::ReadXmlPlist(fuzz::AsChars({data, size})));
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
