#pragma once

#include <string>

namespace engine {

// The wire carries UTF-8; the 8-bit API speaks the locale's encoding.
std::string utf8ToLocal(const std::string &utf8);
// The start of a text in the locale's encoding, at most maxBytes, cut between characters;
// only as much of the text is converted as can give that many bytes.
std::string utf8ToLocal(const std::string &utf8, std::size_t maxBytes);
std::string localToUtf8(const std::string &local);
std::string utf16ToUtf8(const char16_t *text, std::size_t length);
std::u16string utf8ToUtf16(const std::string &utf8);
// How many bytes of text, at most limit, end between characters of the locale's encoding.
std::size_t characterBoundary(const std::string &text, std::size_t limit);

} // namespace engine
