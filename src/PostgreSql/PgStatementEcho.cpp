#include "PostgreSql/PgStatementEcho.h"

#include "Common/AsciiText.h"
#include "Common/Exceptions.h"
#include "PostgreSql/PgParser.h"

#include <algorithm>
#include <cstdio>

namespace velmora {
namespace {

bool NamesPassword(std::string_view word) {
    return LowerAscii(word).find("passw") != std::string::npos;
}

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
}

// A value as a literal the server would read back: in plain quotes, or as an escape string when
// the value holds a control character, which is then written as an escape.
std::string Literal(std::string_view value) {
    const bool hasControl = std::ranges::any_of(value, IsControl);
    std::string literal = hasControl ? "E'" : "'";
    for (const char c : value) {
        if (c == '\'') {
            literal += "''";
        } else if (hasControl && c == '\\') {
            literal += "\\\\";
        } else if (IsControl(c)) {
            char code[5];
            std::snprintf(code, sizeof code, "\\x%02x", static_cast<unsigned char>(c));
            literal += code;
        } else {
            literal += c;
        }
    }
    return literal + "'";
}

// Line breaks and tabs lay a statement out, a line break written as the terminal's; any other
// control character is shown as "?".
std::string Printable(std::string_view text) {
    std::string printable;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        printable += IsControl(c) && c != '\n' && c != '\t' ? '?' : c;
    }
    return printable;
}

// The text with the string after each word that names a password (PASSWORD 'x', ENCRYPTED
// PASSWORD E'x', password = 'x') replaced by the mask.
std::string MaskedText(std::string_view text) {
    TParserOptions options;
    options.QuotedString = true;
    options.AdvancedStringParsing = true;
    TPgParser lexer(text, options);
    std::string masked;
    bool afterPassword = false;
    bool inSecret = false; // a doubled quote reads as the next string, right after the last one
    for (TToken token = lexer.GetNext(); token.Class != TTokenClass::End; token = lexer.GetNext()) {
        if (token.Class == TTokenClass::String && (afterPassword || inSecret)) {
            if (!inSecret)
                masked += kMaskedSecret;
            afterPassword = false;
            inSecret = true;
            continue;
        }
        inSecret = false;
        masked += token.Text;
        const bool word = token.Class == TTokenClass::Identifier || token.Class == TTokenClass::Keyword;
        if (token.Class == TTokenClass::Blank || token.Class == TTokenClass::Comment)
            continue;
        // What may stand between the word and its string: "=" and the escape string's E.
        if (afterPassword && (token.Text == "=" || (word && EqualsIgnoringAsciiCase(token.Text, "E"))))
            continue;
        afterPassword = word && NamesPassword(token.Text);
    }
    return masked;
}

} // namespace

std::string PgStatementEcho(std::string_view text, const TDAParams& params) {
    std::string echo;
    try {
        echo = Printable(TrimBlanks(MaskedText(text)));
    } catch (const EParserError&) {
        // Text the lexer cannot read is shown only when it cannot hide a password.
        echo = NamesPassword(text) ? "-- (Anweisung nicht lesbar; sie nennt ein Passwort)"
                                   : Printable(TrimBlanks(text));
    }
    if (!echo.ends_with(';') && !echo.starts_with("--"))
        echo += ';';
    echo += '\n';
    for (std::size_t i = 0; i < params.Count(); ++i) {
        const TDAParam& param = params[i];
        echo += "-- $" + std::to_string(i + 1) + " = ";
        if (NamesPassword(param.Name()))
            echo += kMaskedSecret;
        else
            echo += param.IsNull() ? std::string("NULL") : Literal(*param.Value());
        echo += '\n';
    }
    return echo;
}

} // namespace velmora
