#include "PostgreSql/PgParser.h"

#include <array>

namespace velmora {

namespace {

constexpr std::array<std::string_view, 46> kKeywords = {
    "ALL",    "AND",         "AS",        "BEGIN",  "BY",       "COMMIT",    "DELETE", "DISTINCT",
    "END",    "EXCEPT",      "EXECUTE",   "FETCH",  "FOR",      "FROM",      "FULL",   "GROUP",
    "HAVING", "INNER",       "INSERT",    "INTO",   "IS",       "JOIN",      "LEFT",   "LIMIT",
    "LOCK",   "MINUS",       "NOT",       "OFFSET", "ON",       "ONLY",      "OR",     "ORDER",
    "OUTER",  "RELEASE",     "RETURNING", "RIGHT",  "ROLLBACK", "SAVEPOINT", "SELECT", "SET",
    "TO",     "TRANSACTION", "UNION",     "UPDATE", "WHERE",    "WITH",
};

const TKeywordSet& Keywords() {
    static const TKeywordSet keywords(kKeywords);
    return keywords;
}

} // namespace

TPgParser::TPgParser(std::string_view text, const TParserOptions& options)
    : TSQLParser(text, options, Keywords()) {}

bool TPgParser::ReadSpecialToken(TToken& token) {
    if (At(Pos()) != '$')
        return TSQLParser::ReadSpecialToken(token);
    // A "$" that ends the text or comes before a digit (a reference such as "$1") is a symbol.
    const std::size_t next = Pos() + 1;
    if (next == Text().size() || (Text()[next] >= '0' && Text()[next] <= '9'))
        return false;
    token = ReadDollarQuoted();
    return true;
}

// "$tag$body$tag$": the tag is everything between the first two "$" signs, possibly nothing.
// Inside the body nothing else is recognised. Without a closing tag the string runs to the end.
TToken TPgParser::ReadDollarQuoted() {
    const std::string_view text = Text();
    const std::size_t tagEnd = text.find('$', Pos() + 1);
    if (tagEnd == text.npos)
        return TakeString(text.npos, text.size() - Pos(), 0);
    const std::string_view delimiter = text.substr(Pos(), tagEnd + 1 - Pos());
    const std::size_t close = text.find(delimiter, tagEnd + 1);
    if (close == text.npos)
        return TakeString(text.npos, delimiter.size(), 0);
    return TakeString(close + delimiter.size(), delimiter.size(), delimiter.size());
}

// The server reads E'...' and e'...' alike as escape strings, but only when the letter is a word
// of its own: in DATE'...' it ends another word, and the string after it is a standard one.
bool TPgParser::IsEscapeString() const {
    if (!Options().AdvancedStringParsing)
        return false;
    const std::string_view word = WordBefore();
    return word == "E" || word == "e";
}

} // namespace velmora
