#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace velmora {

// What a token is. Keywords are identifiers that the dialect reserves; quoted identifiers are
// identifiers too. End is returned, again and again, once the text is used up.
enum class TTokenClass { Blank, Comment, String, Identifier, Keyword, Symbol, Number, End };

// How a lexer reads; fixed when it is created.
struct TParserOptions {
    bool OmitBlank = false;    // blank tokens are skipped
    bool OmitComment = false;  // comment tokens are skipped
    bool Uppered = false;      // keywords come back upper-cased
    bool QuotedString = false; // a string token's text keeps its quotes
    // Line breaks inside quoted text are counted, and the dialect's escape-string rule applies.
    bool AdvancedStringParsing = false;
};

// One token. Text points into the lexer's source text, or, for an upper-cased keyword, to the
// dialect's own spelling of it; either way it needs no copy and outlives the lexer.
struct TToken {
    TToken() = default;
    TToken(TTokenClass tokenClass, std::string_view text, bool unclosed = false)
        : Class(tokenClass), Unclosed(unclosed), Text(text) {}

    TTokenClass Class = TTokenClass::End;
    // The text ended before the token's closing quote, dollar tag or comment mark: the token runs
    // to the end of the text, and a server would refuse it. (Kept next to the class, where the
    // token has room for it: a larger token slows the lexer down noticeably.)
    bool Unclosed = false;
    std::string_view Text;
};

// A dialect's reserved words, found without regard to case: an open-addressing hash table over
// the upper-case spellings, built once per dialect. Most identifiers are no keyword, and the
// lengths of the keywords with their initial turn nearly all of them away before any hashing.
class TKeywordSet {
public:
    // keywords: words of the letters A to Z, each at most 32 letters long.
    explicit TKeywordSet(std::span<const std::string_view> keywords);

    // The keyword's upper-case spelling, or an empty view when word (not empty) is no keyword.
    std::string_view Find(std::string_view word) const;

private:
    static constexpr std::size_t kSlots = 256; // a power of two, well above the keywords' count
    static constexpr std::size_t kLongestAllowed = 32;

    static std::size_t SlotOf(std::string_view upper);

    std::array<std::string_view, kSlots> slots_{};
    std::array<std::uint64_t, 26> lengthsByInitial_{}; // bit n: a keyword of n letters
};

// The generic character and token machine: blanks, symbols, identifiers, keywords and numbers.
// Comments and quoted texts belong to the SQL layer and its dialects, which are asked first
// whenever a token opens with a symbol character, the only way such a token can begin.
//
// The lexer works on the bytes of UTF-8 text and never copies it: every byte from 0x80 up is a
// letter byte, so a multibyte character is part of an identifier like any letter. Positions are
// therefore byte offsets; they slice the source text directly, which is what callers do with them.
class TParser {
public:
    virtual ~TParser() = default;
    TParser(const TParser&) = delete;
    TParser& operator=(const TParser&) = delete;

    // Reads the next token that the options do not omit. Throws EParserError on a character that
    // no rule accepts; the position then stays in front of it.
    TToken GetNext();
    // Steps back to the start of the token just read, so that GetNext returns it again.
    void Back();

    // The line counter (the first line is 1) after the last token, and before it.
    std::size_t CurrLine() const { return line_; }
    std::size_t PrevLine() const { return prevLine_; }
    // The byte offset of the next character to read: 0 at the start, the text's size at its end.
    std::size_t CurrPos() const { return pos_; }

    const TParserOptions& Options() const { return options_; }

protected:
    // keywords must outlive the lexer (dialects keep theirs in a static).
    TParser(std::string_view text, const TParserOptions& options, const TKeywordSet& keywords);

    // A dialect's token that opens with the symbol character at the current position: reads it,
    // moves the position past it and returns true, or returns false to let it be a symbol.
    virtual bool ReadSpecialToken(TToken& token) = 0;

    std::string_view Text() const { return text_; }
    std::size_t Pos() const { return pos_; }
    // The character at offset, or 0 past the end (0 never opens or continues a token).
    char At(std::size_t offset) const { return offset < text_.size() ? text_[offset] : '\0'; }

    // The identifier or keyword that ends right at the current position, or an empty view.
    std::string_view WordBefore() const {
        return lastWord_.data() + lastWord_.size() == text_.data() + pos_ ? lastWord_ : std::string_view();
    }

    // Moves the position to end (at most the end of the text) and returns the text passed over.
    // With countLines the line breaks in it move the line counter on.
    std::string_view Advance(std::size_t end, bool countLines);

private:
    void ReadToken(TToken& token);
    std::string_view ReadBlank();
    void ReadWord(TToken& token);
    std::string_view ReadNumber();
    [[noreturn]] void ThrowUnknownSymbol() const;

    std::string_view text_;
    TParserOptions options_;
    const TKeywordSet& keywords_;
    std::size_t pos_ = 0;
    std::size_t tokenStart_ = 0;
    std::size_t line_ = 1;
    std::size_t prevLine_ = 1;
    std::string_view lastWord_;
};

// SQL on top of the generic machine: "--" and "/* */" comments, single-quoted strings and
// double-quoted identifiers. A doubled quote inside a literal reads as two adjacent strings.
// Block comments nest, as the server reads them: commented-out SQL may hold comments of its own.
class TSQLParser : public TParser {
protected:
    using TParser::TParser;

    bool ReadSpecialToken(TToken& token) override;
    // Whether the string opening at the current quote treats a backslash as an escape.
    virtual bool IsEscapeString() const { return false; }

    // Reads a string token from the current position to end, whose opening and closing quotes
    // are openLength and closeLength long (0 when unclosed); without QuotedString they are cut off.
    TToken TakeString(std::size_t end, std::size_t openLength, std::size_t closeLength);

private:
    bool ReadComment(TToken& token);
    TToken ReadBlockComment();
    TToken ReadString();
    TToken ReadQuotedIdentifier();
};

} // namespace velmora
