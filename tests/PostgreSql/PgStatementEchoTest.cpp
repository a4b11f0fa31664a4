#include "PostgreSql/PgStatementEcho.h"

#include <gtest/gtest.h>
#include <optional>
#include <utility>
#include <vector>

using namespace velmora;

namespace {

using Values = std::vector<std::pair<std::string, std::optional<std::string>>>;

TDAParams Params(const Values& values) {
    std::vector<std::string> names;
    for (const auto& [name, value] : values)
        names.push_back(name);
    TDAParams params;
    params.Rebuild(names);
    for (const auto& [name, value] : values)
        params.FindParam(name)->SetValue(value);
    return params;
}

TEST(PgStatementEcho, MasksEveryPasswordAndShowsEverythingElseAsSent) {
    struct Case {
        const char* text;
        Values values;
        const char* echo;
    };
    const Case cases[] = {
        // the role's password, or its verifier, in each quoting the server reads
        {"CREATE USER q1 WITH LOGIN PASSWORD 'SCRAM-SHA-256$4096:c2FsdA==$a:b'",
         {},
         "CREATE USER q1 WITH LOGIN PASSWORD '********';\n"},
        {"alter role q1 encrypted password\r\n\t'md5abc';",
         {},
         "alter role q1 encrypted password\n\t'********';\n"},
        {"ALTER ROLE q1 PASSWORD E'it\\'s; PASSWORD ''x''' VALID UNTIL 'infinity'",
         {},
         "ALTER ROLE q1 PASSWORD E'********' VALID UNTIL 'infinity';\n"},
        {"ALTER ROLE q1 PASSWORD 'ge''heim'''' ' VALID UNTIL 'infinity'",
         {},
         "ALTER ROLE q1 PASSWORD '********' VALID UNTIL 'infinity';\n"},
        {"ALTER ROLE q1 PASSWORD $pw$ geheim $pw$", {}, "ALTER ROLE q1 PASSWORD '********';\n"},
        {"ALTER ROLE q1 PASSWORD /* c */ 'geheim'", {}, "ALTER ROLE q1 PASSWORD /* c */ '********';\n"},
        {"UPDATE trevix.mandant SET password = 'geheim', ort = 'Köln'",
         {},
         "UPDATE trevix.mandant SET password = '********', ort = 'Köln';\n"},
        // a string that merely follows the word elsewhere, and NULL, stay
        {"ALTER ROLE q1 PASSWORD NULL", {}, "ALTER ROLE q1 PASSWORD NULL;\n"},
        {"SELECT 'password', 'x'", {}, "SELECT 'password', 'x';\n"},
        // values follow as comments, a password parameter's masked whatever its case
        {"INSERT INTO trevix.mandant(mandant, password, ort) VALUES ($1, $2, $3)",
         {{"mandant", "Q1"}, {"Password", "Mandant's \\Kennwort"}, {"ort", "O'Hara"}},
         "INSERT INTO trevix.mandant(mandant, password, ort) VALUES ($1, $2, $3);\n"
         "-- $1 = 'Q1'\n-- $2 = '********'\n-- $3 = 'O''Hara'\n"},
        {"SELECT $1, $2",
         {{"leer", std::nullopt}, {"passwort", std::nullopt}},
         "SELECT $1, $2;\n-- $1 = NULL\n-- $2 = '********'\n"},
        // no control character reaches the terminal
        {"SELECT $1", {{"strasse", "Ring\n2\x1b[2J\\"}}, "SELECT $1;\n-- $1 = E'Ring\\x0a2\\x1b[2J\\\\'\n"},
        {"SELECT 'a\x1b' ", {}, "SELECT 'a?';\n"},
        // unreadable text is shown only where it cannot hide a password
        {"SELECT 1 \x7f ", {}, "SELECT 1 ?;\n"},
        {"ALTER ROLE q1 PASSWORD 'x' \x7f", {}, "-- (Anweisung nicht lesbar; sie nennt ein Passwort)\n"},
        // an unclosed literal after the word is masked to its end
        {"ALTER ROLE q1 PASSWORD 'geheim", {}, "ALTER ROLE q1 PASSWORD '********';\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(PgStatementEcho(c.text, Params(c.values)), c.echo);
    }
}

} // namespace
