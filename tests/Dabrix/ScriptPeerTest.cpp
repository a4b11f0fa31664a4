// Scripts run once by our runner and once by psql into two fresh databases must leave the same
// databases behind, and fail in the same statements.
#include "ComponentFixture.h"
#include "PostgreSql/PgSQLCommand.h"

#include <algorithm>
#include <fstream>
#include <gmock/gmock.h>
#include <regex>
#include <sstream>
#include <utility>

using namespace velmora;
using namespace velmora::test;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// pg_dump of a sandbox database with the given option; its comment lines and the random keys of
// its restrict lines, which belong to the dump's own run, are dropped.
std::string PgDump(const std::string& database, const std::string& option) {
    const ProcessResult run =
        RunProcess({"pg_dump", "--no-password", option, database}, sandboxEnvironment());
    if (run.exitCode != 0)
        throw std::runtime_error("pg_dump failed: " + run.err);
    std::istringstream lines(run.out);
    std::string kept;
    for (std::string line; std::getline(lines, line);) {
        if (!line.starts_with("--") && !line.starts_with("\\restrict ") && !line.starts_with("\\unrestrict "))
            kept += line + '\n';
    }
    return kept;
}

// Where two texts first differ, line by line, for a failure message; empty when they are equal.
std::string FirstDifference(const std::string& ours, const std::string& theirs) {
    std::istringstream a(ours), b(theirs);
    std::string lineA, lineB;
    for (int number = 1;; ++number) {
        const bool moreA = static_cast<bool>(std::getline(a, lineA));
        const bool moreB = static_cast<bool>(std::getline(b, lineB));
        if (!moreA && !moreB)
            return {};
        if (moreA != moreB || lineA != lineB)
            return "line " + std::to_string(number) + "\n ours:   " + (moreA ? lineA : "<end>") +
                   "\n theirs: " + (moreB ? lineB : "<end>");
    }
}

std::string WithoutCarriageReturns(std::string text) {
    std::erase(text, '\r');
    return text;
}

// The server's messages in psql's error lines "psql:<file>:<line>: ERROR:  <message>".
std::vector<std::string> PsqlErrors(const std::string& errors) {
    std::vector<std::string> messages;
    std::istringstream lines(errors);
    for (std::string line; std::getline(lines, line);) {
        if (const auto at = line.find(": ERROR:  "); at != std::string::npos)
            messages.push_back(line.substr(at + 10));
    }
    return messages;
}

// A script of the constructs where a careless runner goes wrong.
const char* const kTrickyScript = R"sql(
-- comments between statements; with a semicolon
CREATE TABLE trevix.t (id integer PRIMARY KEY, s text, "semi;colon" text);
INSERT INTO trevix.t VALUES (1, E'it\'s; -- no comment', 'x');
INSERT INTO trevix.t VALUES (2, 'a''b;c', $$dollar; 'quoted' -- text$$);
INSERT INTO trevix.t VALUES (3, $tag$ $$ nested ; $$ $tag$, /* block; comment */ 'y');
CREATE FUNCTION trevix.f(a integer) RETURNS integer LANGUAGE plpgsql AS $_$
BEGIN
  -- ; inside the body
  RETURN $1 + 1; /* $1 reference */
END;
$_$;
INSERT INTO trevix.t VALUES (4, trevix.f(41)::text, E'tab\there');
INSERT INTO trevix.t VALUES (5, ((ARRAY['a', 'b', 'c'])[2:3])::text, 'slice') -- last comment
;
INSERT INTO trevix.t VALUES (6, 'six', 'six')
  /* comment before the delimiter */;
INSERT INTO trevix.t VALUES (1, 'duplicate', 'fails in both');
SELECT 1/0;
INSERT INTO trevix.t VALUES (7, U&'\00fc', 'unicode escape');
INSERT INTO trevix.t VALUES (8, 'Rücklieferung', 'ü');
)sql";

// The constructs a splitter must read as the server does: a semicolon in any of them belongs to
// the statement. Nested comments, every kind of string, dollar quotes, routine bodies in plpgsql
// and in SQL with CASE ... END inside, rules with several actions, parentheses and brackets.
const char* const kSplitCorpus = R"sql(SELECT 'corpus begins';
-- a line comment; with a semicolon
CREATE TABLE trevix.t (id integer PRIMARY KEY, s text, "semi;colon" text, a integer[]);
CREATE TABLE trevix.audit (n serial PRIMARY KEY, what text);
/* a block comment; */ INSERT INTO trevix.t VALUES (1, 'plain', 'x', ARRAY[1, 2, 3]);
/* disabled: /* note */ cleanup;
DELETE FROM trevix.t; */
INSERT INTO trevix.t VALUES (2, 'a''b;c', 'doubled quote', '{4,5}');
/*/ still a comment; DELETE FROM trevix.t; */ INSERT INTO trevix.t VALUES (3, '/*/', '*/', NULL);
INSERT INTO trevix.t VALUES (4, E'it\'s; -- no comment', e'lower\'case; e', NULL);
INSERT INTO trevix.t VALUES (5, U&'d\0061t\+000061; ok', U&'!0064ata;' UESCAPE '!', NULL);
INSERT INTO trevix.t VALUES (6, 'back\slash;', NAME'C:\', NULL); -- a typed literal, no escape string
INSERT INTO trevix.t ("semi;colon", id) VALUES ($$dollar; 'quoted' -- text$$, 7);
INSERT INTO trevix.t VALUES (8, $tag$ $$ nested ; $$ $tag$, $_$;$_$, NULL);
INSERT INTO trevix.t VALUES (9, B'1010'::text || X'1F'::text, 'nine', NULL)
  /* a comment before the delimiter */;
CREATE FUNCTION trevix.twice(a integer) RETURNS integer LANGUAGE plpgsql AS $body$
DECLARE
  r integer := $1 * 2; -- a ; in a comment
BEGIN
  RETURN r; END
$body$;
CREATE PROCEDURE trevix.p(x integer) LANGUAGE sql
BEGIN ATOMIC
  INSERT INTO trevix.audit (what) VALUES ('procedure; ' || x);
  UPDATE trevix.audit SET what = what || CASE WHEN x > 0 THEN ' positive' ELSE ' other' END;
  DELETE FROM trevix.audit WHERE what IS NULL;
END;
CREATE OR REPLACE FUNCTION trevix.sign_of(x integer) RETURNS text LANGUAGE sql
/* a comment before the body; */
begin atomic
  SELECT CASE WHEN x > 0 THEN 'plus'
              WHEN x < 0 THEN CASE x WHEN -1 THEN 'minus one' ELSE 'minus' END
              ELSE 'zero' END;
end;
CALL trevix.p(3);
CREATE RULE r AS ON UPDATE TO trevix.t DO ALSO (
  INSERT INTO trevix.audit (what) VALUES ('first; action');
  INSERT INTO trevix.audit (what) VALUES ('second');
  INSERT INTO trevix.audit (what) VALUES ('third')
);
UPDATE trevix.t SET s = s || '!' WHERE id = 1;
INSERT INTO trevix.t VALUES (10, trevix.sign_of(-1), trevix.twice(21)::text, (ARRAY[[1, 2], [3, 4]])[2:2][1:2][1]);
INSERT INTO trevix.t VALUES (11, ((ARRAY['a', 'b', 'c'])[2:3])::text,
  (SELECT string_agg(s, ';' ORDER BY id) FROM trevix.t WHERE id < 3), '{7}');
-- only a comment
;
INSERT INTO trevix.t VALUES (1, 'duplicate', 'fails in both', NULL);
SELECT 1);
SELECT 1/0;
SELECT 'corpus ends')sql";

class ScriptPeerTest : public ComponentTest {
protected:
    ScriptPeerTest() : ComponentTest("CREATE SCHEMA trevix"), theirs("CREATE SCHEMA trevix") {}

    // Runs the script files with our runner into our database and with psql into theirs.
    void RunBoth(const std::vector<std::string>& paths) {
        for (const std::string& path : paths) {
            TUniScript script;
            Load(script, ReadFile(path));
            script.Execute();
            const PsqlResult result = psql(theirs.Name(), {"-f", path});
            ASSERT_EQ(result.exitCode, 0) << result.err;
            for (std::string& message : PsqlErrors(result.err))
                psqlErrors.push_back(std::move(message));
        }
    }

    // The statements the server received on a database from the one that holds the first marker
    // up to the one that holds the last, from the server's log: each text as logged when it ran,
    // or with the error that refused it before it could run. Each is compared as the statement
    // command sends a text (comments dropped, keywords upper-cased) without the blanks around it
    // and the delimiter psql sends along; a statement left empty so (psql's ";" after a comment
    // line) is none.
    std::vector<std::string> ReceivedStatements(const std::string& databaseName,
                                                const std::string& firstMarker,
                                                const std::string& lastMarker) {
        const std::string dataDirectory = database.Query("SHOW data_directory");
        std::ifstream log(dataDirectory.substr(0, dataDirectory.rfind('/')) + "/server.log");
        if (!log)
            throw std::runtime_error("cannot read the server log");
        std::vector<std::string> received;
        bool done = false;
        std::string entryDatabase, entryKind, entryText, lastRun;
        const auto takeEntry = [&] {
            if (done || entryDatabase != databaseName)
                return;
            if (entryKind == "LOG" && entryText.starts_with("statement: "))
                lastRun = entryText.substr(11);
            else if (entryKind == "LOG" && entryText.starts_with("execute ")) // "execute <name>: "
                lastRun = entryText.substr(entryText.find(": ") + 2);
            else if (entryKind == "STATEMENT" && entryText != std::exchange(lastRun, {}))
                lastRun = entryText; // refused before it ran, so not logged as run
            else
                return;
            if (received.empty() && lastRun.find(firstMarker) == std::string::npos)
                return;
            done = lastRun.find(lastMarker) != std::string::npos;
            if (std::string statement = AsSent(lastRun); !statement.empty())
                received.push_back(std::move(statement));
        };
        // "<date> <time> <zone> [<pid>] <user>@<database>/<application> <KIND>:  <text>"; the
        // further lines of a text are indented by a tab.
        static const std::regex entryStart(
            R"(^\S+ \S+ \S+ \[\d+\] [^@ ]*@([^/ ]*)/\S* ([A-Z]+):  ([\s\S]*)$)");
        std::smatch match;
        for (std::string line; std::getline(log, line);) {
            if (line.starts_with('\t')) {
                entryText += '\n' + line.substr(1);
                continue;
            }
            takeEntry();
            entryDatabase.clear();
            if (std::regex_match(line, match, entryStart)) {
                entryDatabase = match.str(1);
                entryKind = match.str(2);
                entryText = match.str(3);
            }
        }
        takeEntry();
        return received;
    }

    static std::string AsSent(const std::string& text) {
        std::string sent = PgParseSQL(text, false).Text;
        std::erase(sent, '\r');
        const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\n'; };
        while (!sent.empty() && (isBlank(sent.back()) || sent.back() == ';'))
            sent.pop_back();
        const auto first = std::find_if_not(sent.begin(), sent.end(), isBlank);
        return std::string(first, sent.end());
    }

    void ExpectSameDatabases() {
        for (const char* options : {"--schema-only", "--data-only"}) {
            const std::string ourDump = PgDump(database.Name(), options);
            const std::string theirDump = PgDump(theirs.Name(), options);
            ASSERT_FALSE(theirDump.empty());
            // Our script lines are joined by CR LF, so line breaks inside function bodies and
            // string literals are CR LF; that is the only difference allowed.
            EXPECT_EQ(FirstDifference(WithoutCarriageReturns(ourDump), theirDump), "") << options;
        }
        std::vector<std::string> ours;
        for (const std::string& box : errorBoxes)
            ours.push_back(box.ends_with('.') && !box.ends_with("..") ? box.substr(0, box.size() - 1) : box);
        std::vector<std::string> psqls = psqlErrors;
        for (std::string& message : psqls)
            message = message.ends_with('.') ? message.substr(0, message.size() - 1) : message;
        EXPECT_THAT(ours, testing::UnorderedElementsAreArray(psqls));
    }

    ScratchDatabase theirs;
    std::vector<std::string> psqlErrors;
};

} // namespace

TEST_F(ScriptPeerTest, TheSchemaScriptsLeaveWhatPsqlLeaves) {
    RunBoth({SCHEMA_DIR "/structure.sql", SCHEMA_DIR "/value_lists.sql"});
    ExpectSameDatabases();
    // The only failures are the ownership statements naming roles of the product that the sandbox
    // does not have.
    for (const std::string& box : errorBoxes)
        EXPECT_THAT(box, testing::MatchesRegex("role \"(qz7k|trevix)\" does not exist\\."));
    EXPECT_EQ(database.Query("SELECT count(*) FROM pg_proc WHERE pronamespace = 'trevix'::regnamespace"),
              "10");
}

TEST_F(ScriptPeerTest, QuotesCommentsAndDollarBodiesEndUpAsPsqlRunsThem) {
    const std::string path = "/tmp/" + uniqueName("tricky") + ".sql";
    std::ofstream(path, std::ios::binary) << kTrickyScript;
    RunBoth({path});
    std::remove(path.c_str());
    ExpectSameDatabases();
    EXPECT_EQ(errorBoxes.size(), 2u);
    EXPECT_EQ(database.Query("SELECT count(*) FROM trevix.t"), "8");
}

TEST_F(ScriptPeerTest, TheServerReceivesTheStatementsPsqlSendsForTrickySql) {
    const std::string path = "/tmp/" + uniqueName("corpus") + ".sql";
    std::ofstream(path, std::ios::binary) << kSplitCorpus;
    RunBoth({path});
    std::remove(path.c_str());

    const std::vector<std::string> ours = ReceivedStatements(database.Name(), "corpus begins", "corpus ends");
    const std::vector<std::string> psqls = ReceivedStatements(theirs.Name(), "corpus begins", "corpus ends");
    EXPECT_EQ(ours.size(), 24u);
    EXPECT_EQ(ours, psqls);
    ExpectSameDatabases();
    EXPECT_EQ(errorBoxes.size(), 3u);
    EXPECT_EQ(database.Query("SELECT count(*) FROM trevix.t"), "11");
    EXPECT_EQ(database.Query("SELECT string_agg(what, ',' ORDER BY n) FROM trevix.audit"),
              "procedure; 3 positive,first; action,second,third");
}

// psql sends the rest of a script that ends inside a comment as one statement, which the server
// refuses; our runner refuses it itself, with one error box, and runs none of its pieces either.
TEST_F(ScriptPeerTest, AScriptEndingInsideANestedCommentRunsNoneOfItsRest) {
    const std::string path = "/tmp/" + uniqueName("unclosed") + ".sql";
    std::ofstream(path, std::ios::binary) << "SELECT 'corpus begins';\n"
                                             "CREATE TABLE trevix.t (id integer);\n"
                                             "/* disabled: /* note */\n"
                                             "INSERT INTO trevix.t VALUES (1);\n"
                                             "CREATE TABLE trevix.u (id integer);\n";
    RunBoth({path});
    std::remove(path.c_str());

    const std::vector<std::string> expected = {"SELECT 'corpus begins'",
                                               "CREATE TABLE trevix.t (id integer)"};
    EXPECT_EQ(ReceivedStatements(database.Name(), "corpus begins", "trevix.t"), expected);
    // What psql sent after them was only a comment to the server, which it refused.
    EXPECT_EQ(ReceivedStatements(theirs.Name(), "corpus begins", "trevix.u"), expected);
    EXPECT_THAT(psqlErrors, testing::ElementsAre(testing::StartsWith("unterminated /* comment")));
    EXPECT_THAT(errorBoxes, testing::ElementsAre("Unterminated /* comment at the end of the script."));
    EXPECT_EQ(database.Query("SELECT count(*) FROM trevix.t"), "0");
    EXPECT_EQ(database.Query("SELECT count(*) FROM pg_tables WHERE schemaname = 'trevix'"), "1");
    EXPECT_EQ(theirs.Query("SELECT count(*) FROM pg_tables WHERE schemaname = 'trevix'"), "1");
}
