// Reading and writing one value of an INI file, with the profile-file rules the program
// relies on; the file is GBK on disk, the texts here are UTF-8.
#pragma once
#include <string>
#include <string_view>

namespace config {

// The longest value a read returns, in bytes on disk.
inline constexpr size_t kMaxValueBytes = 10239;

// The value of key in section, or defaultValue when the file, the section or the key is
// missing. Names match without regard to ASCII letter case; a value enclosed in matching
// quotes reads without them; a key present with nothing after "=" reads as "". Leading
// bytes of 32 or less are skipped in path, section and key; if one of them is then empty
// the result is "" and the file is not read. The file is read afresh at every call.
std::string ReadIniValue(std::string_view path, std::string_view section,
                         std::string_view key, std::string_view defaultValue);

// Sets key in section to value: in place when the key exists, at the end of its section
// when it does not, in a new section at the end of the file when the section is missing;
// the file is created when missing. Every other line stays byte for byte. The new file
// replaces the old one in one step, so a failed or interrupted write leaves the old file
// as it was. Failures (read-only file or folder, a folder of that name) are silent.
void WriteIniValue(std::string_view path, std::string_view section, std::string_view key,
                   std::string_view value);

} // namespace config
