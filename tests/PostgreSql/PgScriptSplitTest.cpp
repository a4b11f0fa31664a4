#include "PostgreSql/PgScriptProcessor.h"
#include "Setup/SchemaScripts.h"
#include "support/ExpectFailure.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <initializer_list>
#include <map>
#include <regex>
#include <stdexcept>

using namespace velmora;
using velmora::test::ExpectFailure;

namespace {

struct Statement {
    std::string sql;
    bool omitted = false;
    std::string rejectedFor; // why a statement that the text ends inside of does not run

    bool operator==(const Statement&) const = default;
};

void PrintTo(const Statement& statement, std::ostream* out) {
    if (!statement.rejectedFor.empty())
        *out << "rejected (" << statement.rejectedFor << ") ";
    else
        *out << (statement.omitted ? "omitted " : "runs ");
    *out << testing::PrintToString(statement.sql);
}

// A script that only holds the text; splitting needs nothing else of it.
class TextOnlyScript : public TDAScript {
protected:
    std::unique_ptr<TCustomDASQL> CreateCommand() const override { throw std::logic_error("not used"); }
    std::unique_ptr<TDAScriptProcessor> CreateProcessor() override { throw std::logic_error("not used"); }
};

// The PostgreSQL processor, recording each statement it hands on instead of running it.
class RecordingProcessor : public TPgScriptProcessor {
public:
    using TPgScriptProcessor::TPgScriptProcessor;

    std::vector<Statement> statements;

protected:
    void ExecuteStatement(std::string sql, TStatementKind kind, std::size_t) override {
        statements.push_back({std::move(sql), kind == TStatementKind::Comment, {}});
    }
    void RejectStatement(std::string sql, std::size_t, const std::string& reason) override {
        statements.push_back({std::move(sql), false, reason});
    }
};

std::vector<Statement> Split(std::string_view text) {
    TextOnlyScript script;
    script.SQL().SetText(text);
    RecordingProcessor processor(script);
    processor.Init(";");
    while (processor.ExecuteNext()) {
    }
    return processor.statements;
}

Statement Runs(std::string sql) {
    return {std::move(sql), false, {}};
}

Statement Omitted(std::string sql) {
    return {std::move(sql), true, {}};
}

Statement Rejected(std::string sql, std::string reason) {
    return {std::move(sql), false, std::move(reason)};
}

struct SplitCase {
    const char* name;
    const char* text;
    std::vector<Statement> statements;
};

void ExpectSplits(std::initializer_list<SplitCase> cases) {
    for (const SplitCase& c : cases)
        EXPECT_THAT(Split(c.text), testing::ElementsAreArray(c.statements)) << c.name;
}

} // namespace

TEST(PgScriptSplit, CutsStatementsByTheRunnersRules) {
    ExpectSplits({
        {"empty text", "", {}},
        {"blanks only", "  \n\t\n", {}},
        {"statement text runs up to the delimiter, leading blanks dropped",
         "  select 1 ;\n\nselect 2",
         {Runs("select 1 "), Runs("select 2")}},
        {"empty statements", ";;select 1;;;select 2;;", {Runs("select 1"), Runs("select 2")}},
        {"a comment before a statement belongs to it",
         "-- head\n/* block */\nselect 1;",
         {Runs("-- head\r\n/* block */\r\nselect 1")}},
        {"comments and blanks only",
         "-- one\n\n/* two */\n-- three",
         {Omitted("-- one\r\n\r\n/* two */\r\n-- three")}},
        {"a text ending in a line of two dashes runs", "-- note\n--", {Runs("-- note\r\n--")}},
        {"a statement whose last line ends in a comment still runs",
         "select 1 -- why\n;\nselect 2 /* last */;",
         {Runs("select 1 -- why\r\n"), Runs("select 2 /* last */")}},
        {"comments between statements make no statement of their own",
         "select 1;\n-- between\n;\nselect 2;",
         {Runs("select 1"), Omitted("-- between\r\n"), Runs("select 2")}},
        {"the same comment after the delimiter leads the next statement",
         "select 1; -- why\nselect 2;",
         {Runs("select 1"), Runs("-- why\r\nselect 2")}},
        {"a slash alone on its line ends a statement",
         "select 1\n/\nselect 2\n  /\nselect 3\n/",
         {Runs("select 1\r\n"), Runs("select 2\r\n  "), Runs("select 3\r\n")}},
        {"a slash inside a line is text", "select 4 / 2;", {Runs("select 4 / 2")}},
        {"a slash with more text on its line is text", "select 4\n/ 2;", {Runs("select 4\r\n/ 2")}},
        {"each statement starts as if at a line start, so a slash right after a delimiter ends an empty one",
         "select 1;/\nselect 2;",
         {Runs("select 1"), Runs("select 2")}},
        {"a dollar-quoted body with the tag $_$ stays whole",
         "create function f() returns int as $_$\nselect 1; -- not a comment\nselect $1 $$;\n$_$ language "
         "sql;\nselect 2;",
         {Runs("create function f() returns int as $_$\r\nselect 1; -- not a comment\r\nselect $1 $$;\r\n$_$ "
               "language sql"),
          Runs("select 2")}},
        {"a dollar-quoted body with the empty tag stays whole",
         "do $$ begin perform 1; /* ; */ end $$;\nselect 3;",
         {Runs("do $$ begin perform 1; /* ; */ end $$"), Runs("select 3")}},
        {"$1 opens no dollar quote", "select $1; select 2;", {Runs("select $1"), Runs("select 2")}},
        {"delimiters and dashes in strings and quoted identifiers",
         "select ';--', \"a;b\"; select 2",
         {Runs("select ';--', \"a;b\""), Runs("select 2")}},
        {"an escape string keeps its escaped quote",
         "select E'it\\'s; ok';select 2",
         {Runs("select E'it\\'s; ok'"), Runs("select 2")}},
    });
}

// The server reads a delimiter inside a comment, parentheses or a routine's atomic body as part of
// the statement; splitting there would run the commented-out or inner text on its own.
TEST(PgScriptSplit, KeepsWhatTheServerReadsAsOneStatementWhole) {
    ExpectSplits({
        {"a nested block comment hides the delimiters after its inner comment",
         "/* off: /* note */ cleanup; delete from t; */ select 1; select 2",
         {Runs("/* off: /* note */ cleanup; delete from t; */ select 1"), Runs("select 2")}},
        {"a rule's actions in parentheses",
         "create rule r as on insert to t do instead (delete from t; update t set a = 1; delete from u);\n"
         "select 2;",
         {Runs("create rule r as on insert to t do instead (delete from t; update t set a = 1; delete from "
               "u)"),
          Runs("select 2")}},
        {"brackets and nested parentheses",
         "select a[(1;2)]; select 2",
         {Runs("select a[(1;2)]"), Runs("select 2")}},
        {"a closing parenthesis too many opens nothing",
         "select 1); select 2",
         {Runs("select 1)"), Runs("select 2")}},
        {"a slash alone on its line inside parentheses is text",
         "select (4\n/\n2);\nselect 3",
         {Runs("select (4\r\n/\r\n2)"), Runs("select 3")}},
        {"a procedure's atomic body",
         "CREATE PROCEDURE p() LANGUAGE sql BEGIN ATOMIC INSERT INTO t VALUES (2); "
         "DELETE FROM t; END; select 2",
         {Runs("CREATE PROCEDURE p() LANGUAGE sql BEGIN ATOMIC INSERT INTO t VALUES (2); DELETE FROM t; END"),
          Runs("select 2")}},
        {"a function's atomic body with CASE ... END inside, after OR REPLACE and comments",
         "-- lead\ncreate /* c */ or replace function f(x int) returns int language sql\nbegin atomic\n"
         "  select case when x > 0 then 1 else case x when 0 then 0 end end;\n  select 2;\nend;\nselect 3;",
         {Runs("-- lead\r\ncreate /* c */ or replace function f(x int) returns int language sql\r\nbegin "
               "atomic\r\n"
               "  select case when x > 0 then 1 else case x when 0 then 0 end end;\r\n  select 2;\r\nend"),
          Runs("select 3")}},
        {"BEGIN opens no body without ATOMIC, nor outside a routine, nor inside parentheses",
         "create function begin() returns int as 'select 1' language sql; begin; select (begin atomic; end);"
         " create table t (begin atomic int); create view v as select 1 begin atomic; select 9",
         {Runs("create function begin() returns int as 'select 1' language sql"), Runs("begin"),
          Runs("select (begin atomic; end)"), Runs("create table t (begin atomic int)"),
          Runs("create view v as select 1 begin atomic"), Runs("select 9")}},
        {"a dollar-quoted routine body is one string, its BEGIN and END opening nothing",
         "create function f() returns void language plpgsql as $$ begin atomic; $$; select 2",
         {Runs("create function f() returns void language plpgsql as $$ begin atomic; $$"),
          Runs("select 2")}},
        {"an escape string opened by a lower-case e",
         "select e'it\\'s; ok'; select 2",
         {Runs("select e'it\\'s; ok'"), Runs("select 2")}},
    });
}

TEST(PgScriptSplit, AStatementTheTextEndsInsideOfIsRejectedWholeNeverRunInPieces) {
    ExpectSplits({
        {"a nested comment left open",
         "select 1; /* off: /* note */ delete from t; select 2",
         {Runs("select 1"), Rejected("/* off: /* note */ delete from t; select 2",
                                     "Unterminated /* comment at the end of the script")}},
        {"a comment alone left open",
         "select 1; /* only a comment",
         {Runs("select 1"),
          Rejected("/* only a comment", "Unterminated /* comment at the end of the script")}},
        {"a string",
         "select 'a; select 2",
         {Rejected("select 'a; select 2", "Unterminated quoted string at the end of the script")}},
        {"an escape string",
         "select E'a\\'; select 2",
         {Rejected("select E'a\\'; select 2", "Unterminated quoted string at the end of the script")}},
        {"a quoted identifier",
         "select \"a; select 2",
         {Rejected("select \"a; select 2", "Unterminated quoted identifier at the end of the script")}},
        {"a dollar quote",
         "select $t$ a; select 2 $$",
         {Rejected("select $t$ a; select 2 $$",
                   "Unterminated dollar-quoted string at the end of the script")}},
        {"a parenthesis",
         "select (1; select 2;\n",
         {Rejected("select (1; select 2;", "Unclosed parenthesis or bracket at the end of the script")}},
        {"a procedure's atomic body",
         "create procedure p() begin atomic select 1; select 2;",
         {Rejected("create procedure p() begin atomic select 1; select 2;",
                   "Unterminated BEGIN ATOMIC body at the end of the script")}},
    });
}

TEST(PgScriptSplit, AFormFeedStopsTheRunAfterTheStatementsBeforeIt) {
    TextOnlyScript script;
    script.SQL().SetText("select 1;\fselect 2;");
    RecordingProcessor processor(script);
    processor.Init(";");
    EXPECT_TRUE(processor.ExecuteNext());
    const EParserError e =
        ExpectFailure<EParserError>([&] { processor.ExecuteNext(); }, "the form feed was accepted");
    EXPECT_EQ(std::string(e.what()), "Parser: The unknown symbol '\f'  $000C");
    EXPECT_THAT(processor.statements, testing::ElementsAre(Runs("select 1")));
}

TEST(PgScriptSplit, AnotherDelimiterEndsStatementsInstead) {
    TextOnlyScript script;
    script.SQL().SetText("select 1; select 2 go select 3");
    RecordingProcessor processor(script);
    processor.Init("go");
    while (processor.ExecuteNext()) {
    }
    EXPECT_THAT(processor.statements, testing::ElementsAre(Runs("select 1; select 2 "), Runs("select 3")));
}

namespace {

// The script without its dollar-quoted bodies, which may hold lines of any kind.
std::string WithoutDollarQuotedBodies(std::string_view text) {
    static const std::regex opening(R"(\$([A-Za-z_][A-Za-z0-9_]*)?\$)");
    std::string result;
    std::cmatch match;
    const char* at = text.data();
    const char* const end = text.data() + text.size();
    while (std::regex_search(at, end, match, opening)) {
        result.append(at, match[0].first);
        const std::string_view rest(match[0].second, static_cast<std::size_t>(end - match[0].second));
        const std::size_t close = rest.find(match.str(0));
        if (close == std::string_view::npos)
            throw std::runtime_error("unclosed dollar quote " + match.str(0));
        at = rest.data() + close + match.length(0);
    }
    result.append(at, end);
    return result;
}

// A statement's kind: its first one or two upper-case words after its leading comments.
std::string KindOf(std::string_view statement) {
    static const std::regex leading(R"(^(?:\s|--[^\r\n]*)*([A-Za-z]+(?: [A-Z]+)?))");
    std::cmatch match;
    if (!std::regex_search(statement.data(), statement.data() + statement.size(), match, leading))
        return "?";
    return match.str(1);
}

// How many statements of each kind the script holds, read from the lines that start a statement:
// the pg_dump form puts every statement at the start of a line, and only function bodies break it.
std::map<std::string, int> KindsByLine(std::string_view script) {
    static const std::regex start(
        R"(^(SET|SELECT|CREATE|ALTER|COMMENT|GRANT|REVOKE|INSERT|DELETE|UPDATE)\b)");
    std::map<std::string, int> kinds;
    const std::string text = WithoutDollarQuotedBodies(script);
    std::size_t lineStart = 0;
    while (lineStart < text.size()) {
        const std::size_t lineEnd = std::min(text.find('\n', lineStart), text.size());
        const std::string_view line(text.data() + lineStart, lineEnd - lineStart);
        if (std::regex_search(line.begin(), line.end(), start))
            ++kinds[KindOf(line)];
        lineStart = lineEnd + 1;
    }
    return kinds;
}

std::map<std::string, int> KindsOf(const std::vector<Statement>& statements) {
    std::map<std::string, int> kinds;
    for (const Statement& statement : statements)
        ++kinds[KindOf(statement.sql)];
    return kinds;
}

int CountOf(const std::map<std::string, int>& kinds, const std::string& kind) {
    const auto found = kinds.find(kind);
    return found == kinds.end() ? 0 : found->second;
}

} // namespace

TEST(PgScriptSplit, TheStructureScriptYieldsOneStatementPerObjectStep) {
    const std::vector<Statement> statements = Split(StructureScript());
    for (const Statement& statement : statements)
        EXPECT_FALSE(statement.omitted) << statement.sql;

    const std::map<std::string, int> kinds = KindsOf(statements);
    EXPECT_EQ(kinds, KindsByLine(StructureScript()));
    EXPECT_EQ(CountOf(kinds, "SET"), 10);
    EXPECT_EQ(CountOf(kinds, "SELECT"), 1);
    EXPECT_EQ(CountOf(kinds, "CREATE TABLE"), 68);
    EXPECT_EQ(CountOf(kinds, "CREATE SEQUENCE"), 3);
    EXPECT_EQ(CountOf(kinds, "CREATE INDEX") + CountOf(kinds, "CREATE UNIQUE"), 58);

    // The dump's header and each object's TOC block lead the statement after them.
    ASSERT_FALSE(statements.empty());
    EXPECT_TRUE(statements.front().sql.starts_with("--\r\n-- PostgreSQL database dump\r\n"))
        << statements.front().sql;
    const auto firstTable = std::find_if(statements.begin(), statements.end(),
                                         [](const Statement& s) { return KindOf(s.sql) == "CREATE TABLE"; });
    ASSERT_NE(firstTable, statements.end());
    EXPECT_TRUE(firstTable->sql.starts_with("--\r\n-- TOC entry ")) << firstTable->sql;
}

TEST(PgScriptSplit, TheValueListScriptYieldsTwoDeletesAndThirtyFiveInserts) {
    const std::vector<Statement> statements = Split(ValueListScript());
    std::map<std::string, int> kinds;
    for (const Statement& statement : statements) {
        EXPECT_FALSE(statement.omitted) << statement.sql;
        std::string kind = KindOf(statement.sql);
        kind.resize(kind.find(' ') == std::string::npos ? kind.size() : kind.find(' '));
        std::transform(kind.begin(), kind.end(), kind.begin(),
                       [](unsigned char c) { return std::toupper(c); });
        ++kinds[kind];
    }
    EXPECT_EQ(statements.size(), 37u);
    EXPECT_EQ(kinds, (std::map<std::string, int>{{"DELETE", 2}, {"INSERT", 35}}));
}
