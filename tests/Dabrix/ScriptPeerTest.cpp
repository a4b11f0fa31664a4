// Scripts run once by our runner and once by psql into two fresh databases must leave the same
// databases behind, and fail in the same statements.
#include "ComponentFixture.h"

#include <algorithm>
#include <fstream>
#include <gmock/gmock.h>
#include <sstream>

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
