// Cookie texts ("a=1; b=2"): merging what the server sent into what the caller keeps.
#pragma once
#include <string>
#include <string_view>

#include "http/text_rules.h"

namespace http {

// Merges received cookies into kept ones: a received cookie replaces a kept one of the same
// name, received entries without a value are dropped, "name=deleted" removes the cookie,
// kept cookies the server did not mention follow the received ones. Spaces are removed
// from both texts (both variables keep that); `kept` receives the result, which is also
// returned.
std::string MergeCookies(std::string& kept, std::string& received);

// Keeps only the entries with a non-empty value (entries without "=" go too).
void DropEmptyCookies(TextList& entries);
// Trimmed text after the first "="; "" without one.
std::string CookieValue(std::string_view entry);
// Trimmed text before the first "="; the whole entry trimmed without one.
std::string CookieName(std::string_view entry);
bool HasCookieName(const TextList& entries, std::string_view name);

} // namespace http
