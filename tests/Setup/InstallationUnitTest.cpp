#include "InstallationDoubles.h"
#include "PostgreSql/PgError.h"
#include "PostgreSql/PgSqlState.h"
#include "Setup/Installation.h"
#include "support/StateHome.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <utility>
#include <vector>

using namespace velmora;
using namespace velmora::test;

namespace {

// A refused input shows its warning and nothing else happens: no login, no progress, no message.
TEST(Installation, RefusedInputRunsNothing) {
    struct Case {
        std::string code;
        std::string password;
        TTenantMasterData masterData;
    };
    const TTenantMasterData fine{"Muster Bau GmbH", "12345", "Musterstadt", "Hauptstraße 1"};
    const Case cases[] = {
        {"AB123", "geheim", fine},
        {"A'B", "geheim", fine},
        {"", "geheim", fine},
        {"USER", "geheim", fine},
        {"AB12", "", fine},
        {"AB12", "geheim", {"Muster Bau GmbH", "123456", "Musterstadt", "Hauptstraße 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code + "/" + c.password);
        StateHome stateHome;
        RecordingHost host;
        host.tenantCode = c.code;
        host.tenantPassword = c.password;
        host.masterData = c.masterData;
        ScriptedLogin login(0, TAdminLogin{});
        TInstallation installation(host, login);
        installation.Button1Click();
        EXPECT_EQ(host.warnings.size(), 1u);
        EXPECT_EQ(host.warnings.at(0), InputRefusal(c.code, c.password, c.masterData).value());
        EXPECT_EQ(login.showings, 0);
        EXPECT_TRUE(host.progress.empty());
        EXPECT_TRUE(host.informations.empty());
        EXPECT_EQ(installation.Result(), TInstallationResult::Refused);
        EXPECT_NE(stateHome.logText().find("Eingabe abgelehnt: " + host.warnings.at(0)), std::string::npos);
    }
}

EPgError ServerError(std::string_view sqlState, TPgSeverity severity = TPgSeverity::sError) {
    TPgErrorFields fields;
    fields.Severity = severity;
    fields.ErrorCode = std::string(sqlState);
    fields.Message = "message";
    return EPgError(fields);
}

// An ownership statement naming a role the server lacks, or one the executing role may not hand
// objects to, is told apart from other failures, and so is a lost session.
TEST(StatementFailure, IsJudgedBySqlStateAndStatement) {
    using Kind = TStatementFailure::TKind;
    struct Case {
        const char* sql;
        EPgError error;
        Kind kind;
        const char* newOwner;
    };
    const Case cases[] = {
        {"ALTER TABLE trevix.buch20 OWNER TO qz7k;", ServerError(PgSqlState::UndefinedObject),
         Kind::MissingOwner, "qz7k"},
        {"alter view trevix.v_kunde owner to TREVIX", ServerError(PgSqlState::UndefinedObject),
         Kind::MissingOwner, "trevix"},
        {"ALTER TABLE t OWNER TO \"Trevix\";", ServerError(PgSqlState::UndefinedObject), Kind::MissingOwner,
         "Trevix"},
        {"ALTER FUNCTION trevix.nextnumber() OWNER TO postgres;",
         ServerError(PgSqlState::InsufficientPrivilege), Kind::RefusedOwner, "postgres"},
        {"ALTER TABLE trevix.auftrag20 OWNER TO qz7k;", ServerError(PgSqlState::UndefinedTable),
         Kind::Unexpected, ""},
        {"GRANT qz7k TO ab12", ServerError(PgSqlState::InsufficientPrivilege), Kind::Unexpected, ""},
        {"CREATE TABLE trevix.a (owner_to int)", ServerError(PgSqlState::UndefinedObject), Kind::Unexpected,
         ""},
        {"CREATE TABLE trevix.a ()", ServerError(PgSqlState::AdminShutdown, TPgSeverity::sFatal),
         Kind::LostConnection, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        const TStatementFailure failure = TStatementFailure::Of(c.error, c.sql);
        EXPECT_EQ(failure.kind, c.kind);
        EXPECT_EQ(failure.newOwner, c.newOwner);
        EXPECT_EQ(failure.sqlState, c.error.ErrorCode());
    }
    EXPECT_EQ(FirstLineOf("\r\n-- Name: a; Type: TABLE\r\n--\r\n\r\nCREATE TABLE a (\r\n x int)"),
              "CREATE TABLE a (");
    EXPECT_EQ(FirstLineOf("-- only a comment"), "-- only a comment");
}

TEST(InstallationOutcome, FinalMessageCountsWhatFailedAndNamesTheLog) {
    const auto skipped = [](TStatementFailure::TKind kind, const char* role) {
        TStatementFailure failure;
        failure.kind = kind;
        failure.newOwner = role;
        return failure;
    };
    using Kind = TStatementFailure::TKind;
    TInstallationOutcome outcome;
    EXPECT_EQ(outcome.FinalMessage("ab12", "/l/installation.log"),
              "Die Datenbank ab12 wurde erfolgreich installiert\nMandantenrolle ab12: Superuser\nProtokoll: "
              "/l/installation.log");
    outcome.CountSkippedOwnership(skipped(Kind::MissingOwner, "trevix"));
    outcome.CountSkippedOwnership(skipped(Kind::MissingOwner, "qz7k"));
    outcome.CountSkippedOwnership(skipped(Kind::MissingOwner, "trevix"));
    EXPECT_TRUE(outcome.Complete());
    EXPECT_EQ(
        outcome.FinalMessage("ab12", "/l"),
        "Die Datenbank ab12 wurde erfolgreich installiert\nMandantenrolle ab12: Superuser\n3 "
        "Besitzerwechsel übersprungen: die Rollen qz7k, trevix gibt es auf dem Server nicht, die Objekte "
        "gehören dem Mandanten.\nProtokoll: /l");
    outcome.CountFailedStatement();
    outcome.CountFailedStep();
    EXPECT_FALSE(outcome.Complete());
    EXPECT_EQ(
        outcome.FinalMessage("ab12", "/l"),
        "Die Installation der Datenbank ab12 wurde mit Fehlern beendet: 1 Anweisung ist fehlgeschlagen, 1 "
        "Schritt wurde nicht ausgeführt. Das Protokoll nennt die Ursachen; sind sie behoben, ersetzt eine "
        "neue "
        "Installation den Mandanten.\nMandantenrolle ab12: Superuser\n3 Besitzerwechsel übersprungen: die "
        "Rollen qz7k, trevix gibt es auf dem Server nicht, die Objekte gehören dem Mandanten.\nProtokoll: "
        "/l");
}

// An isolated tenant keeps what it may not hand away; the one line names both reasons.
TEST(InstallationOutcome, FinalMessageOfAnIsolatedTenantNamesTheRolesItMayNotHandObjectsTo) {
    using Kind = TStatementFailure::TKind;
    TInstallationOutcome outcome;
    outcome.SetTenantRoleKind(TTenantRoleKind::Isolated);
    TStatementFailure failure;
    failure.kind = Kind::RefusedOwner;
    failure.newOwner = "postgres";
    outcome.CountSkippedOwnership(failure);
    EXPECT_EQ(
        outcome.FinalMessage("ab12", "/l"),
        "Die Datenbank ab12 wurde erfolgreich installiert\nMandantenrolle ab12: ohne Superuser-Rechte, nur "
        "für die eigene Datenbank\n1 Besitzerwechsel übersprungen: an die Rolle postgres darf der Mandant "
        "ohne Superuser-Rechte nichts übergeben, die Objekte gehören dem Mandanten.\nProtokoll: /l");
    failure.newOwner = "qz7k";
    outcome.CountSkippedOwnership(failure);
    failure.kind = Kind::MissingOwner;
    failure.newOwner = "trevix";
    outcome.CountSkippedOwnership(failure);
    EXPECT_EQ(
        outcome.SkippedNote(),
        "3 Besitzerwechsel übersprungen: die Rolle trevix gibt es auf dem Server nicht; an die Rollen "
        "postgres, qz7k darf der Mandant ohne Superuser-Rechte nichts übergeben, die Objekte gehören dem "
        "Mandanten.");
}

// The log is its owner's alone; a line is one line, and carries the id of its run.
TEST(InstallationLog, AppendsPrivateLinesWithTheirRunId) {
    StateHome stateHome;
    TInstallationLog log; // the default file, under XDG_STATE_HOME
    EXPECT_EQ(log.File(), stateHome.logFile());
    const std::string firstRun = log.RunId();
    log.Write("erster Lauf");
    log.BeginRun();
    EXPECT_NE(log.RunId(), firstRun);
    log.Write("a\r\nb\nc\rd");
    TInstallationLog(stateHome.logFile()).Write("anderer Lauf");
    const std::regex line(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d  ([0-9a-f]{8})  (.*))");
    std::istringstream text(stateHome.logText());
    std::vector<std::pair<std::string, std::string>> lines;
    for (std::string row; std::getline(text, row);) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(row, match, line)) << row;
        lines.emplace_back(match[1], match[2]);
    }
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::make_pair(firstRun, std::string("erster Lauf")));
    EXPECT_EQ(lines[1], std::make_pair(log.RunId(), std::string("a | b | c | d")));
    EXPECT_NE(lines[2].first, firstRun);
    EXPECT_NE(lines[2].first, log.RunId());
    namespace fs = std::filesystem;
    EXPECT_EQ(fs::status(stateHome.logFile()).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(stateHome.path() + "/velmora").permissions() & fs::perms::all, fs::perms::owner_all);
}

} // namespace
