#include "PostgreSql/PgParser.h"

#include "Common/Exceptions.h"

#include <cctype>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

std::ostream& operator<<(std::ostream& out, TTokenClass tokenClass) {
    static const char* const names[] = {"Blank",   "Comment", "String", "Identifier",
                                        "Keyword", "Symbol",  "Number", "End"};
    return out << names[static_cast<int>(tokenClass)];
}

namespace {

using enum TTokenClass;

// How the script runner reads: every character lands in exactly one token.
constexpr TParserOptions kRunnerOptions{.QuotedString = true, .AdvancedStringParsing = true};
// How the parameter scan reads: comments dropped, keywords upper-cased, no escape strings.
constexpr TParserOptions kParameterScanOptions{.OmitComment = true, .Uppered = true, .QuotedString = true};

struct Tok {
    TTokenClass cls;
    std::string text;
    bool operator==(const Tok&) const = default;
};

void PrintTo(const Tok& token, std::ostream* out) {
    *out << token.cls << " \"" << token.text << '"';
}

std::vector<Tok> Tokenize(std::string_view text, const TParserOptions& options = kRunnerOptions) {
    TPgParser parser(text, options);
    std::vector<Tok> tokens;
    for (TToken token = parser.GetNext(); token.Class != End; token = parser.GetNext())
        tokens.push_back({token.Class, std::string(token.Text)});
    return tokens;
}

std::string Join(const std::vector<Tok>& tokens) {
    std::string joined;
    for (const Tok& token : tokens)
        joined += token.text;
    return joined;
}

std::string UnknownSymbolMessage(char c, const char* code) {
    return std::string("Parser: The unknown symbol '") + c + "'  $" + code;
}

struct TokenCase {
    std::string text;
    std::vector<Tok> tokens;
};

TEST(PgParser, CutsTheTextIntoTokensThatJoinBackToIt) {
    const std::vector<TokenCase> cases = {
        {"", {}},
        {"\t \r\n", {{Blank, "\t \r\n"}}},
        // Inline comments need a character after "--"; they stop before the line break.
        {"a--", {{Identifier, "a"}, {Symbol, "-"}, {Symbol, "-"}}},
        {"--x", {{Comment, "--x"}}},
        {"--\n", {{Comment, "--"}, {Blank, "\n"}}},
        {"x --y;\r\nz",
         {{Identifier, "x"}, {Blank, " "}, {Comment, "--y;"}, {Blank, "\r\n"}, {Identifier, "z"}}},
        {"- -", {{Symbol, "-"}, {Blank, " "}, {Symbol, "-"}}},
        // Block comments nest; each mark takes both its characters, so "/*/" only opens and
        // "/**/" is whole; an open one runs to the end.
        {"/*/", {{Comment, "/*/"}}},
        {"/*/ */", {{Comment, "/*/ */"}}},
        {"/**/x", {{Comment, "/**/"}, {Identifier, "x"}}},
        {"/* /* a\n*/b*/c", {{Comment, "/* /* a\n*/b*/"}, {Identifier, "c"}}},
        {"/* a; /* b */ c; /**/ */;", {{Comment, "/* a; /* b */ c; /**/ */"}, {Symbol, ";"}}},
        {"/* **/*/", {{Comment, "/* **/"}, {Symbol, "*"}, {Symbol, "/"}}},
        {"/* /* */", {{Comment, "/* /* */"}}},
        {"/* open", {{Comment, "/* open"}}},
        {"a/*b*/-", {{Identifier, "a"}, {Comment, "/*b*/"}, {Symbol, "-"}}},
        {"a/b", {{Identifier, "a"}, {Symbol, "/"}, {Identifier, "b"}}},
        // Dollar quoting.
        {"$1", {{Symbol, "$"}, {Number, "1"}}},
        {"$", {{Symbol, "$"}}},
        {"x $", {{Identifier, "x"}, {Blank, " "}, {Symbol, "$"}}},
        {"$$a;b$$;", {{String, "$$a;b$$"}, {Symbol, ";"}}},
        {"$_$ x $$ y $_$", {{String, "$_$ x $$ y $_$"}}},
        {"$f$ a := $1; -- c\n 'q\" $g$ /* $f$;",
         {{String, "$f$ a := $1; -- c\n 'q\" $g$ /* $f$"}, {Symbol, ";"}}},
        {"$a$ $a $A$ open", {{String, "$a$ $a $A$ open"}}},
        {"$a b", {{String, "$a b"}}},
        {"$$$$$", {{String, "$$$$"}, {Symbol, "$"}}},
        // Strings and quoted identifiers hide everything up to their closing quote.
        {"'a;--b';", {{String, "'a;--b'"}, {Symbol, ";"}}},
        {"\"a;--b\";", {{Identifier, "\"a;--b\""}, {Symbol, ";"}}},
        {"'it''s'", {{String, "'it'"}, {String, "'s'"}}},
        {"'open", {{String, "'open"}}},
        {"\"open", {{Identifier, "\"open"}}},
        {"'a\\'", {{String, "'a\\'"}}},
        // Escape strings: after an E or e that is a word of its own, a backslash escapes the
        // next character, as the server reads them.
        {"E'a\\'b';", {{Identifier, "E"}, {String, "'a\\'b'"}, {Symbol, ";"}}},
        {"e'a\\'b';", {{Identifier, "e"}, {String, "'a\\'b'"}, {Symbol, ";"}}},
        {"DATE'a\\';", {{Identifier, "DATE"}, {String, "'a\\'"}, {Symbol, ";"}}},
        {"1e'\\'';", {{Number, "1"}, {Identifier, "e"}, {String, "'\\''"}, {Symbol, ";"}}},
        {"E '\\';", {{Identifier, "E"}, {Blank, " "}, {String, "'\\'"}, {Symbol, ";"}}},
        {"U&'\\';", {{Identifier, "U"}, {Symbol, "&"}, {String, "'\\'"}, {Symbol, ";"}}},
        {"E'a\\\\';", {{Identifier, "E"}, {String, "'a\\\\'"}, {Symbol, ";"}}},
        {"E'\\\\\\'';", {{Identifier, "E"}, {String, "'\\\\\\''"}, {Symbol, ";"}}},
        {"E'open\\", {{Identifier, "E"}, {String, "'open\\"}}},
        // Identifiers, keywords and numbers.
        {"x#y$z", {{Identifier, "x#y$z"}}},
        {"#x", {{Symbol, "#"}, {Identifier, "x"}}},
        {"_1 9a", {{Identifier, "_1"}, {Blank, " "}, {Number, "9"}, {Identifier, "a"}}},
        {"1.5.2", {{Number, "1.5"}, {Symbol, "."}, {Number, "2"}}},
        {"1.x", {{Number, "1"}, {Symbol, "."}, {Identifier, "x"}}},
        {"SELECT from Xy",
         {{Keyword, "SELECT"}, {Blank, " "}, {Keyword, "from"}, {Blank, " "}, {Identifier, "Xy"}}},
        {"größe €1 日本",
         {{Identifier, "größe"}, {Blank, " "}, {Identifier, "€1"}, {Blank, " "}, {Identifier, "日本"}}},
        {"a::b", {{Identifier, "a"}, {Symbol, ":"}, {Symbol, ":"}, {Identifier, "b"}}},
        {":=:b", {{Symbol, ":"}, {Symbol, "="}, {Symbol, ":"}, {Identifier, "b"}}},
    };
    for (const TokenCase& c : cases) {
        const std::vector<Tok> tokens = Tokenize(c.text);
        EXPECT_EQ(tokens, c.tokens) << testing::PrintToString(c.text);
        EXPECT_EQ(Join(tokens), c.text);
    }
}

TEST(PgParser, MarksATokenThatTheTextEndsInsideOfAsUnclosed) {
    struct Case {
        std::string text;
        bool unclosed;
    };
    for (const Case& c : {Case{"/* a */", false}, Case{"/* a", true}, Case{"/* /* a */", true},
                          Case{"/*/", true}, Case{"'a'", false}, Case{"'a", true}, Case{"E'a\\'", true},
                          Case{"\"a\"", false}, Case{"\"a", true}, Case{"$$a$$", false}, Case{"$t$a$$", true},
                          Case{"$t", true}, Case{"-- a", false}, Case{"a", false}}) {
        TPgParser parser(c.text, kRunnerOptions);
        TToken last;
        for (TToken token = parser.GetNext(); token.Class != End; token = parser.GetNext()) {
            EXPECT_FALSE(last.Unclosed) << "an unclosed token before the last one in " << c.text;
            last = token;
        }
        EXPECT_EQ(last.Unclosed, c.unclosed) << c.text;
    }
}

TEST(PgParser, ReadsEveryOtherPrintableCharacterAsASymbolOfItsOwn) {
    for (char c : std::string_view("!#$%&()*+,-./:;<=>?@[\\]^`{|}~"))
        EXPECT_EQ(Tokenize(std::string(1, c)), (std::vector<Tok>{{Symbol, {c}}})) << c;
}

TEST(PgParser, RaisesTheUnknownSymbolErrorWithTheCharacterAndItsCode) {
    struct Case {
        std::string text;
        std::size_t offset;
        const char* code;
    };
    for (const Case& c : {Case{"\f", 0, "000C"}, Case{"a \x01", 2, "0001"}, Case{"x\x7f", 1, "007F"},
                          Case{"'s'\x1b", 3, "001B"}, Case{"\x0b", 0, "000B"}}) {
        TPgParser parser(c.text, kRunnerOptions);
        try {
            while (parser.GetNext().Class != End) {
            }
            ADD_FAILURE() << "no error for " << testing::PrintToString(c.text);
        } catch (const EParserError& e) {
            EXPECT_EQ(e.what(), UnknownSymbolMessage(c.text[c.offset], c.code));
            EXPECT_EQ(parser.CurrPos(), c.offset);
        }
    }
}

TEST(PgParser, AcceptsControlCharactersInsideQuotesAndComments) {
    for (std::string text : {"'\f'", "\"\f\"", "$$\f$$", "--\f", "/*\f*/"})
        EXPECT_EQ(Join(Tokenize(text)), text);
}

TEST(PgParser, CountsEachLineBreakOnceAndKeepsTheCounterBeforeTheToken) {
    // A CR LF pair is one break, and so are a lone LF and a lone CR.
    TPgParser parser("a\r\nb\rc\n\rd", kRunnerOptions);
    const std::vector<std::pair<std::size_t, std::size_t>> linesBeforeAndAfter = {
        {1, 1}, {1, 2}, {2, 2}, {2, 3}, {3, 3}, {3, 5}, {5, 5}};
    for (auto [before, after] : linesBeforeAndAfter) {
        parser.GetNext();
        EXPECT_EQ(parser.PrevLine(), before);
        EXPECT_EQ(parser.CurrLine(), after);
    }
    EXPECT_EQ(parser.GetNext().Class, End);
    EXPECT_EQ(parser.CurrLine(), 5u);
}

TEST(PgParser, CountsLinesInQuotedTextOnlyWithAdvancedStringParsing) {
    struct Case {
        std::string text;
        std::size_t linesAdvanced;
        std::size_t linesPlain;
    };
    for (const Case& c : {Case{"'a\nb'", 2, 1}, Case{"\"a\r\nb\"", 2, 1}, Case{"$$\n\r\n$$", 3, 1},
                          Case{"/*\n\n*/", 3, 3}, Case{"--a\n", 2, 2}}) {
        for (bool advanced : {true, false}) {
            TPgParser parser(c.text, {.QuotedString = true, .AdvancedStringParsing = advanced});
            while (parser.GetNext().Class != End) {
            }
            EXPECT_EQ(parser.CurrLine(), advanced ? c.linesAdvanced : c.linesPlain)
                << testing::PrintToString(c.text) << " advanced " << advanced;
        }
    }
}

TEST(PgParser, BackReturnsTheSameTokenWithItsPositionAndLineAgain) {
    TPgParser parser("x 'a\nb' y", kRunnerOptions);
    parser.GetNext();
    parser.GetNext();
    EXPECT_EQ(parser.GetNext().Text, "'a\nb'");
    EXPECT_EQ(parser.CurrLine(), 2u);
    EXPECT_EQ(parser.CurrPos(), 7u);

    parser.Back();
    EXPECT_EQ(parser.CurrLine(), 1u);
    EXPECT_EQ(parser.CurrPos(), 2u);
    const TToken again = parser.GetNext();
    EXPECT_EQ(again.Class, String);
    EXPECT_EQ(again.Text, "'a\nb'");
    EXPECT_EQ(parser.CurrLine(), 2u);
    EXPECT_EQ(parser.PrevLine(), 1u);
}

TEST(PgParser, BackAfterOmittedTokensStopsAtTheReturnedToken) {
    TPgParser parser("a \n/* c */\n b", {.OmitBlank = true, .OmitComment = true});
    EXPECT_EQ(parser.GetNext().Text, "a");
    EXPECT_EQ(parser.GetNext().Text, "b");
    parser.Back();
    EXPECT_EQ(parser.CurrPos(), 12u);
    EXPECT_EQ(parser.CurrLine(), 3u);
    EXPECT_EQ(parser.GetNext().Text, "b");
    EXPECT_EQ(parser.GetNext().Class, End);
    parser.Back();
    EXPECT_EQ(parser.GetNext().Class, End);
}

TEST(PgParser, KnowsExactlyTheDialectKeywordsInAnyCase) {
    const std::vector<std::string> keywords = {
        "all",    "and",         "as",        "begin",  "by",       "commit",    "delete", "distinct",
        "end",    "except",      "execute",   "fetch",  "for",      "from",      "full",   "group",
        "having", "inner",       "insert",    "into",   "is",       "join",      "left",   "limit",
        "lock",   "minus",       "not",       "offset", "on",       "only",      "or",     "order",
        "outer",  "release",     "returning", "right",  "rollback", "savepoint", "select", "set",
        "to",     "transaction", "union",     "update", "where",    "with"};
    ASSERT_EQ(keywords.size(), 46u);
    for (const std::string& word : keywords) {
        std::string upper = word;
        for (char& c : upper)
            c = static_cast<char>(c - ('a' - 'A'));
        EXPECT_EQ(Tokenize(word, {.Uppered = true}), (std::vector<Tok>{{Keyword, upper}})) << word;
        EXPECT_EQ(Tokenize(word), (std::vector<Tok>{{Keyword, word}})) << word;
    }
    for (std::string word :
         {"create", "table", "values", "selects", "selec", "a", "intö", "or_", "\"select\""})
        EXPECT_EQ(Tokenize(word, {.Uppered = true}).at(0).cls, Identifier) << word;
}

TEST(PgParser, OmitsBlanksAndCommentsOnRequest) {
    const std::string text = "select /* c */ x -- d\n from\tt";
    EXPECT_EQ(
        Tokenize(text, {.OmitBlank = true, .OmitComment = true}),
        (std::vector<Tok>{{Keyword, "select"}, {Identifier, "x"}, {Keyword, "from"}, {Identifier, "t"}}));
    EXPECT_EQ(Tokenize(text, {.OmitBlank = true}), (std::vector<Tok>{{Keyword, "select"},
                                                                     {Comment, "/* c */"},
                                                                     {Identifier, "x"},
                                                                     {Comment, "-- d"},
                                                                     {Keyword, "from"},
                                                                     {Identifier, "t"}}));
    EXPECT_EQ(Join(Tokenize(text, kParameterScanOptions)), "SELECT  x \n FROM\tt");
}

TEST(PgParser, CutsTheQuotesOffStringsWithoutQuotedString) {
    struct Case {
        std::string text;
        Tok token;
    };
    for (const Case& c :
         {Case{"'ab'", {String, "ab"}}, Case{"'open", {String, "open"}}, Case{"$t$x$y$t$", {String, "x$y"}},
          Case{"$$open", {String, "open"}}, Case{"$tag", {String, ""}}, Case{"\"q\"", {Identifier, "\"q\""}}})
        EXPECT_EQ(Tokenize(c.text, {}), std::vector<Tok>{c.token}) << c.text;
}

TEST(PgParser, ReadsEscapeStringsOnlyWithAdvancedStringParsing) {
    EXPECT_EQ(Tokenize("E'a\\'b'", {.QuotedString = true}),
              (std::vector<Tok>{{Identifier, "E"}, {String, "'a\\'"}, {Identifier, "b"}, {String, "'"}}));
    EXPECT_EQ(Tokenize("E'a\\'b'", kRunnerOptions),
              (std::vector<Tok>{{Identifier, "E"}, {String, "'a\\'b'"}}));
}

// Random texts mixing the pieces that interact: quotes, dollar tags, comment marks, escapes,
// line breaks, multibyte characters and, in some texts, characters no rule accepts.
std::string RandomSql(std::mt19937& random) {
    static const std::vector<std::string> pieces = {"SELECT",
                                                    "select",
                                                    "Insert",
                                                    "into",
                                                    "x",
                                                    "t_1",
                                                    "a#b",
                                                    "a$b",
                                                    "E",
                                                    "e",
                                                    "#",
                                                    "$",
                                                    "$1",
                                                    "$$",
                                                    "$_$",
                                                    "$tag$",
                                                    "$a",
                                                    "E'",
                                                    "'",
                                                    "''",
                                                    "\\",
                                                    "\\'",
                                                    "\"",
                                                    "--",
                                                    "-",
                                                    "/*",
                                                    "*/",
                                                    "/",
                                                    "*",
                                                    ";",
                                                    ":",
                                                    "::",
                                                    ":name",
                                                    "1",
                                                    "42",
                                                    "3.14",
                                                    ".",
                                                    "1.",
                                                    " ",
                                                    "\t",
                                                    "\r\n",
                                                    "\r",
                                                    "\n",
                                                    "ä",
                                                    "€",
                                                    "日本",
                                                    "\xF0\x9F\x98\x80",
                                                    "\xFF",
                                                    "(",
                                                    ")",
                                                    ",",
                                                    "=",
                                                    "_"};
    static const std::vector<std::string> unknown = {"\f", "\x01", "\x7f", "\x1f", "\v"};
    const bool withUnknown = random() % 4 == 0;
    std::string text;
    for (auto count = random() % 40; count > 0; --count) {
        if (withUnknown && random() % 20 == 0)
            text += unknown[random() % unknown.size()];
        else
            text += pieces[random() % pieces.size()];
    }
    return text;
}

std::size_t LineBreaks(std::string_view text) {
    std::size_t breaks = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        breaks += text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'));
    return breaks;
}

bool IsUnknownCharacter(char c) {
    const auto code = static_cast<unsigned char>(c);
    return (code < 32 && c != '\t' && c != '\r' && c != '\n') || code == 127;
}

// Reads the whole text, stepping back now and then to check that the token comes again alike.
// Returns the tokens and, when the text holds a character no rule accepts, the offset of it.
struct ReadResult {
    std::vector<Tok> tokens;
    std::size_t lines = 0;
    std::optional<std::size_t> unknownAt;
};

ReadResult ReadAll(std::string_view text, const TParserOptions& options, std::mt19937& random) {
    ReadResult result;
    TPgParser parser(text, options);
    try {
        for (TToken token = parser.GetNext(); token.Class != End; token = parser.GetNext()) {
            EXPECT_FALSE(token.Text.empty() && options.QuotedString);
            if (token.Class == Symbol) {
                EXPECT_EQ(token.Text.size(), 1u);
            }
            result.tokens.push_back({token.Class, std::string(token.Text)});
            if (random() % 8 == 0) {
                const std::size_t pos = parser.CurrPos();
                const std::size_t line = parser.CurrLine();
                parser.Back();
                const TToken again = parser.GetNext();
                EXPECT_EQ((Tok{again.Class, std::string(again.Text)}), result.tokens.back());
                EXPECT_EQ(parser.CurrPos(), pos);
                EXPECT_EQ(parser.CurrLine(), line);
            }
        }
        EXPECT_EQ(parser.CurrPos(), text.size());
    } catch (const EParserError& e) {
        result.unknownAt = parser.CurrPos();
        EXPECT_TRUE(IsUnknownCharacter(text.at(parser.CurrPos())));
        EXPECT_TRUE(std::string_view(e.what()).starts_with("Parser: The unknown symbol '"));
    }
    result.lines = parser.CurrLine();
    return result;
}

TEST(PgParser, RunnerTokensJoinBackToAnyRandomText) {
    std::mt19937 random(20240611);
    for (int i = 0; i < 20000; ++i) {
        const std::string text = RandomSql(random);
        SCOPED_TRACE(testing::PrintToString(text));
        const ReadResult read = ReadAll(text, kRunnerOptions, random);
        const std::size_t readUpTo = read.unknownAt.value_or(text.size());
        ASSERT_EQ(Join(read.tokens), text.substr(0, readUpTo));
        // Every line break lies in exactly one token and all of them count.
        ASSERT_EQ(read.lines, 1 + LineBreaks(text.substr(0, readUpTo)));
    }
}

// The parameter scan's options read the same tokens as the runner without escape strings, less the
// comments and with upper-cased keywords.
TEST(PgParser, ParameterScanOptionsDropCommentsAndUpperKeywordsOnly) {
    std::mt19937 random(7);
    for (int i = 0; i < 20000; ++i) {
        const std::string text = RandomSql(random);
        SCOPED_TRACE(testing::PrintToString(text));
        const ReadResult all = ReadAll(text, {.QuotedString = true}, random);
        const ReadResult scan = ReadAll(text, kParameterScanOptions, random);
        std::vector<Tok> expected;
        for (Tok token : all.tokens) {
            if (token.cls == Comment)
                continue;
            if (token.cls == Keyword)
                for (char& c : token.text)
                    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            expected.push_back(token);
        }
        ASSERT_EQ(scan.tokens, expected);
        ASSERT_EQ(scan.unknownAt, all.unknownAt);
        ASSERT_EQ(Join(all.tokens), text.substr(0, all.unknownAt.value_or(text.size())));
    }
}

} // namespace
} // namespace velmora
