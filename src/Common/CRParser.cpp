#include "Common/CRParser.h"

#include "Common/AsciiText.h"
#include "Common/Exceptions.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <stdexcept>

namespace velmora {

namespace {

enum : std::uint8_t {
    kBlank = 1,
    kSymbol = 2,
    kDigit = 4,
    kWordStart = 8, // a letter or "_"
    kWordPart = 16, // a letter, a digit, "_", and inside a word also "#" and "$"
};

// One lookup per character. Every byte from 0x80 up is a letter byte, so UTF-8 text needs no decoding.
constexpr auto kCharFlags = [] {
    std::array<std::uint8_t, 256> flags{};
    for (unsigned char c : {' ', '\t', '\r', '\n'})
        flags[c] = kBlank;
    for (unsigned c = 33; c <= 126; ++c) {
        if (c >= '0' && c <= '9')
            flags[c] = kDigit | kWordPart;
        else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_')
            flags[c] = kWordStart | kWordPart;
        else
            flags[c] = kSymbol;
    }
    flags['#'] |= kWordPart;
    flags['$'] |= kWordPart;
    for (unsigned c = 0x80; c <= 0xFF; ++c)
        flags[c] = kWordStart | kWordPart;
    return flags;
}();

bool Has(char c, std::uint8_t flag) {
    return (kCharFlags[static_cast<unsigned char>(c)] & flag) != 0;
}

// A CR LF pair is one line break, counted at its LF, and so is a lone CR or a lone LF.
bool EndsLine(std::string_view text, std::size_t i) {
    return text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'));
}

std::size_t CountLineBreaks(std::string_view text, std::size_t begin, std::size_t end) {
    std::size_t breaks = 0;
    for (std::size_t i = begin; i < end; ++i)
        breaks += EndsLine(text, i);
    return breaks;
}

std::size_t SkipWhile(std::string_view text, std::size_t pos, std::uint8_t flag) {
    while (pos < text.size() && Has(text[pos], flag))
        ++pos;
    return pos;
}

} // namespace

TKeywordSet::TKeywordSet(std::span<const std::string_view> keywords) {
    if (keywords.size() * 2 > kSlots)
        throw std::invalid_argument("too many keywords");
    for (std::string_view keyword : keywords) {
        const bool lettersOnly =
            std::all_of(keyword.begin(), keyword.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
        if (keyword.empty() || keyword.size() > kLongestAllowed || !lettersOnly)
            throw std::invalid_argument("unsupported keyword");
        std::size_t slot = SlotOf(keyword);
        while (!slots_[slot].empty())
            slot = (slot + 1) % kSlots;
        slots_[slot] = keyword;
        lengthsByInitial_[keyword[0] - 'A'] |= std::uint64_t{1} << keyword.size();
    }
}

std::size_t TKeywordSet::SlotOf(std::string_view upper) {
    std::uint32_t hash = 2166136261u; // FNV-1a
    for (char c : upper)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash % kSlots;
}

std::string_view TKeywordSet::Find(std::string_view word) const {
    const unsigned initial = static_cast<unsigned char>(ToUpperAscii(word[0])) - 'A';
    if (initial >= lengthsByInitial_.size() || word.size() > kLongestAllowed ||
        ((lengthsByInitial_[initial] >> word.size()) & 1) == 0)
        return {};
    char buffer[kLongestAllowed];
    std::transform(word.begin(), word.end(), buffer, ToUpperAscii);
    const std::string_view upper(buffer, word.size());
    for (std::size_t slot = SlotOf(upper); !slots_[slot].empty(); slot = (slot + 1) % kSlots) {
        if (slots_[slot] == upper)
            return slots_[slot];
    }
    return {};
}

TParser::TParser(std::string_view text, const TParserOptions& options, const TKeywordSet& keywords)
    : text_(text), options_(options), keywords_(keywords) {}

// The token is read straight into the returned object: a copy of it would cost more than the
// reading of a short token.
TToken TParser::GetNext() {
    TToken token;
    do {
        tokenStart_ = pos_;
        prevLine_ = line_;
        ReadToken(token);
    } while ((token.Class == TTokenClass::Blank && options_.OmitBlank) ||
             (token.Class == TTokenClass::Comment && options_.OmitComment));
    return token;
}

void TParser::Back() {
    pos_ = tokenStart_;
    line_ = prevLine_;
}

std::string_view TParser::Advance(std::size_t end, bool countLines) {
    end = std::min(end, text_.size());
    if (countLines)
        line_ += CountLineBreaks(text_, pos_, end);
    const std::string_view passed(text_.data() + pos_, end - pos_);
    pos_ = end;
    return passed;
}

void TParser::ReadToken(TToken& token) {
    if (pos_ >= text_.size())
        token = {TTokenClass::End, {}};
    else if (const char c = text_[pos_]; Has(c, kBlank))
        token = {TTokenClass::Blank, ReadBlank()};
    else if (Has(c, kSymbol)) {
        if (!ReadSpecialToken(token))
            token = {TTokenClass::Symbol, Advance(pos_ + 1, false)};
    } else if (Has(c, kWordStart))
        ReadWord(token);
    else if (Has(c, kDigit))
        token = {TTokenClass::Number, ReadNumber()};
    else
        ThrowUnknownSymbol();
}

// Counts the line breaks in the same pass: blanks are the most frequent token.
std::string_view TParser::ReadBlank() {
    std::size_t end = pos_;
    do
        line_ += EndsLine(text_, end);
    while (++end < text_.size() && Has(text_[end], kBlank));
    return Advance(end, false);
}

void TParser::ReadWord(TToken& token) {
    const std::string_view word = Advance(SkipWhile(text_, pos_ + 1, kWordPart), false);
    lastWord_ = word;
    const std::string_view keyword = keywords_.Find(word);
    if (keyword.empty())
        token = {TTokenClass::Identifier, word};
    else
        token = {TTokenClass::Keyword, options_.Uppered ? keyword : word};
}

std::string_view TParser::ReadNumber() {
    std::size_t end = SkipWhile(text_, pos_, kDigit);
    if (At(end) == '.' && Has(At(end + 1), kDigit))
        end = SkipWhile(text_, end + 1, kDigit);
    return Advance(end, false);
}

void TParser::ThrowUnknownSymbol() const {
    // Only control characters and DEL get here, all below 0x80: the byte is the character's code.
    const char c = text_[pos_];
    char code[8];
    std::snprintf(code, sizeof code, "%04X", static_cast<unsigned>(static_cast<unsigned char>(c)));
    throw EParserError(std::string("Parser: The unknown symbol '") + c + "'  $" + code);
}

bool TSQLParser::ReadSpecialToken(TToken& token) {
    switch (At(Pos())) {
    case '-':
    case '/':
        return ReadComment(token);
    case '\'':
        token = ReadString();
        return true;
    case '"':
        token = ReadQuotedIdentifier();
        return true;
    default:
        return false;
    }
}

bool TSQLParser::ReadComment(TToken& token) {
    const std::string_view text = Text();
    const std::size_t start = Pos();
    // "--" that ends the text is two minus signs, not a comment.
    if (At(start) == '-' && At(start + 1) == '-' && start + 2 < text.size()) {
        std::size_t end = start + 2;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        token = {TTokenClass::Comment, Advance(end, false)};
        return true;
    }
    if (At(start) == '/' && At(start + 1) == '*') {
        token = ReadBlockComment();
        return true;
    }
    return false;
}

// "/*" opens a comment and "*/" closes the innermost open one. Each mark takes both its
// characters, so "/*/" only opens and "/**/" is whole. An unclosed comment runs to the end.
TToken TSQLParser::ReadBlockComment() {
    const std::string_view text = Text();
    std::size_t depth = 1;
    std::size_t at = Pos() + 2;
    while (depth > 0 && at + 1 < text.size()) {
        const char c = text[at];
        if (c == '*' && text[at + 1] == '/') {
            --depth;
            at += 2;
        } else if (c == '/' && text[at + 1] == '*') {
            ++depth;
            at += 2;
        } else {
            ++at;
        }
    }
    if (depth > 0)
        return {TTokenClass::Comment, Advance(text.npos, true), true};
    return {TTokenClass::Comment, Advance(at, true)};
}

TToken TSQLParser::ReadString() {
    const std::string_view text = Text();
    std::size_t close = Pos() + 1;
    if (IsEscapeString()) {
        // A backslash escapes the character after it, so "\'" stays inside and "\\'" ends the string.
        while (close < text.size() && text[close] != '\'')
            close += text[close] == '\\' ? 2 : 1;
        if (close >= text.size())
            close = text.npos;
    } else {
        close = text.find('\'', close);
    }
    if (close == text.npos)
        return TakeString(text.npos, 1, 0);
    return TakeString(close + 1, 1, 1);
}

TToken TSQLParser::ReadQuotedIdentifier() {
    const std::string_view text = Text();
    const std::size_t close = text.find('"', Pos() + 1);
    if (close == text.npos)
        return {TTokenClass::Identifier, Advance(text.npos, Options().AdvancedStringParsing), true};
    return {TTokenClass::Identifier, Advance(close + 1, Options().AdvancedStringParsing)};
}

TToken TSQLParser::TakeString(std::size_t end, std::size_t openLength, std::size_t closeLength) {
    const std::string_view whole = Advance(end, Options().AdvancedStringParsing);
    const bool unclosed = closeLength == 0;
    if (Options().QuotedString)
        return {TTokenClass::String, whole, unclosed};
    return {TTokenClass::String, whole.substr(openLength, whole.size() - openLength - closeLength), unclosed};
}

} // namespace velmora
