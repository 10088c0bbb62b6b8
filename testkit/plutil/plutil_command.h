#pragma once
// The converter's command: "plutil -convert xml1 [-s] FILE" rewrites FILE in
// place as an XML property list. Only that form is understood; anything else
// leaves every file as it is and fails.

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace plist {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;

// Largest input file taken, in bytes.
inline constexpr std::int64_t kMaxInputBytes = 64 * 1024 * 1024;

// The XML text of a binary ("bplist00") or XML property list. Throws PlistError.
std::string ConvertToXml(std::string_view bytes);

// Runs the command over its arguments (program name excluded) and returns the
// exit code. The file is written only after the whole conversion succeeded.
// Failures are described on `errors`; nothing is printed on success.
int RunPlutil(const std::vector<std::u16string>& arguments, std::ostream& errors);

}  // namespace plist
