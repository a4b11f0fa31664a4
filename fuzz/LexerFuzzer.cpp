// Feeds arbitrary bytes to the lexer. With the script runner's options every byte must land in
// exactly one token, in order, up to the end or up to a character no rule accepts, and only the
// last token may be unclosed; with the parameter scan's options the lexer must not fail in any
// other way, and Back must always give the same token again.

#include "Common/Exceptions.h"
#include "PostgreSql/PgParser.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

using velmora::EParserError;
using velmora::TParserOptions;
using velmora::TPgParser;
using velmora::TTokenClass;

void Check(bool condition) {
    if (!condition)
        std::abort();
}

bool IsUnknownCharacter(char c) {
    const auto code = static_cast<unsigned char>(c);
    return (code < 32 && c != '\t' && c != '\r' && c != '\n') || code == 127;
}

void CheckRunnerReading(std::string_view text) {
    TPgParser parser(text, {.QuotedString = true, .AdvancedStringParsing = true});
    std::size_t joined = 0;
    try {
        for (auto token = parser.GetNext(); token.Class != TTokenClass::End; token = parser.GetNext()) {
            Check(!token.Text.empty() && token.Text.data() == text.data() + joined);
            joined += token.Text.size();
            Check(parser.CurrPos() == joined);
            // Only a token that the text ends inside of is unclosed.
            Check(!token.Unclosed || joined == text.size());
        }
        Check(joined == text.size());
    } catch (const EParserError&) {
        Check(parser.CurrPos() == joined && joined < text.size() && IsUnknownCharacter(text[joined]));
    }
}

void CheckParameterScanReading(std::string_view text) {
    TPgParser parser(text, {.OmitComment = true, .Uppered = true, .QuotedString = true});
    try {
        for (auto token = parser.GetNext(); token.Class != TTokenClass::End; token = parser.GetNext()) {
            const std::size_t pos = parser.CurrPos();
            parser.Back();
            const auto again = parser.GetNext();
            Check(again.Class == token.Class && again.Text == token.Text && parser.CurrPos() == pos);
        }
    } catch (const EParserError&) {
        Check(IsUnknownCharacter(text[parser.CurrPos()]));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckRunnerReading(text);
    CheckParameterScanReading(text);
    return 0;
}
