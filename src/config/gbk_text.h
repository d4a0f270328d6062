// Conversion between the UTF-8 texts inside the program and the GBK bytes of conf.ini.
#pragma once
#include <string>
#include <string_view>

namespace config {

// UTF-8 to the file's encoding. GBK covers every character the program writes; anything
// beyond it (an emoji pasted into a node box) is kept as a GB18030 four-byte sequence
// rather than lost. Invalid UTF-8 bytes become "?".
std::string Utf8ToGbk(std::string_view utf8);

// The file's bytes to UTF-8. A byte that is not part of a valid sequence becomes U+FFFD,
// so a damaged value still reads as text and nothing after it is lost.
std::string GbkToUtf8(std::string_view gbk);

// True when text is well-formed UTF-8 (used for files saved with a UTF-8 mark).
bool IsValidUtf8(std::string_view text);

} // namespace config
