#pragma once
// The stand-in store's records as a text file, so that scripts (the demo, the
// page check in a browser) can give it apps of their own: one app a line,
// "ID<TAB>record", the record a JSON object in the store's shape taken as it
// is. Blank lines and lines starting with '#' are skipped. "{origin}" in a
// record stands for the stand-in's own origin (http://127.0.0.1:PORT), so
// artwork addresses can point at its generated icons.

#include <cstddef>
#include <istream>

#include "testkit/store_standin/store_standin.h"

namespace standin {

// Gives `store` every record of `text`; returns how many. Throws
// std::runtime_error naming the line when one is not "digits<TAB>{...}".
std::size_t LoadRecords(StandinStore& store, std::istream& text);

}  // namespace standin
