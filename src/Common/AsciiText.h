#pragma once

#include <string>
#include <string_view>

// Text rules for the protocol's and the components' own words (option names, encodings, keywords,
// provider names). They look at ASCII only and never at the C locale, which the window's toolkit
// sets from the environment; bytes from 0x80 up (UTF-8) pass through unchanged.
namespace velmora {

// A blank is any byte up to and including the space: the space, tab, line breaks and the other
// control characters. Every trimming and every "is this text empty" check uses this one meaning.
constexpr bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

constexpr char ToUpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c;
}

constexpr char ToLowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

// The text without its leading and trailing blanks.
std::string_view TrimBlanks(std::string_view text);
// True when the text holds nothing but blanks (or nothing at all).
bool IsBlankText(std::string_view text);

std::string UpperAscii(std::string_view text);
std::string LowerAscii(std::string_view text);
// Equal when equal after folding A-Z to a-z.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

} // namespace velmora
