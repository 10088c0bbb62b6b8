#pragma once
// Reader of XML property lists: the elements are parsed (not the line layout),
// with the five predefined entities, character references, CDATA sections and
// comments. No DTD is read and no other entity is expanded.

#include <string_view>

#include "details/plist/plist_value.h"

namespace plist {

// The value inside <plist> (or a bare value element as the document's root).
// Throws PlistError for anything that is not well-formed UTF-8 XML of a
// property list, or that nests deeper than 512 elements.
Value ReadXmlPlist(std::string_view text);

}  // namespace plist
