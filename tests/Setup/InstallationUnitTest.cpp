#include "InstallationDoubles.h"
#include "PostgreSql/PgError.h"
#include "Setup/Installation.h"
#include "support/StateHome.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

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

EPgError ServerError(const char* sqlState, TPgSeverity severity = TPgSeverity::sError) {
    TPgErrorFields fields;
    fields.Severity = severity;
    fields.ErrorCode = sqlState;
    fields.Message = "message";
    return EPgError(fields);
}

// Only an ownership statement naming a role the server lacks is expected to fail; a lost session
// is told apart from every other failure.
TEST(StatementFailure, IsJudgedBySqlStateAndStatement) {
    using Kind = TStatementFailure::TKind;
    struct Case {
        const char* sql;
        EPgError error;
        Kind kind;
        const char* missingOwner;
    };
    const Case cases[] = {
        {"ALTER TABLE trevix.buch20 OWNER TO qz7k;", ServerError("42704"), Kind::MissingOwner, "qz7k"},
        {"alter view trevix.v_kunde owner to TREVIX", ServerError("42704"), Kind::MissingOwner, "trevix"},
        {"ALTER TABLE t OWNER TO \"Trevix\";", ServerError("42704"), Kind::MissingOwner, "Trevix"},
        {"ALTER TABLE trevix.auftrag20 OWNER TO qz7k;", ServerError("42P01"), Kind::Unexpected, ""},
        {"CREATE TABLE trevix.a (owner_to int)", ServerError("42704"), Kind::Unexpected, ""},
        {"CREATE TABLE trevix.a ()", ServerError("57P01", TPgSeverity::sFatal), Kind::LostConnection, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        const TStatementFailure failure = TStatementFailure::Of(c.error, c.sql);
        EXPECT_EQ(failure.kind, c.kind);
        EXPECT_EQ(failure.missingOwner, c.missingOwner);
        EXPECT_EQ(failure.sqlState, c.error.ErrorCode());
    }
    EXPECT_EQ(FirstLineOf("\r\n-- Name: a; Type: TABLE\r\n--\r\n\r\nCREATE TABLE a (\r\n x int)"),
              "CREATE TABLE a (");
    EXPECT_EQ(FirstLineOf("-- only a comment"), "-- only a comment");
}

TEST(InstallationOutcome, FinalMessageCountsWhatFailedAndNamesTheLog) {
    TInstallationOutcome outcome;
    EXPECT_EQ(outcome.FinalMessage("ab12", "/l/installation.log"),
              "Die Datenbank ab12 wurde erfolgreich installiert\nProtokoll: /l/installation.log");
    outcome.CountSkippedOwnership("trevix");
    outcome.CountSkippedOwnership("qz7k");
    outcome.CountSkippedOwnership("trevix");
    EXPECT_TRUE(outcome.Complete());
    EXPECT_EQ(
        outcome.FinalMessage("ab12", "/l"),
        "Die Datenbank ab12 wurde erfolgreich installiert\n3 Besitzerwechsel übersprungen: die Rollen qz7k, "
        "trevix gibt es auf dem Server nicht, die Objekte gehören dem Mandanten.\nProtokoll: /l");
    outcome.CountFailedStatement();
    outcome.CountFailedStep();
    EXPECT_FALSE(outcome.Complete());
    EXPECT_EQ(
        outcome.FinalMessage("ab12", "/l"),
        "Die Installation der Datenbank ab12 wurde mit Fehlern beendet: 1 Anweisung ist fehlgeschlagen, 1 "
        "Schritt wurde nicht ausgeführt. Das Protokoll nennt die Ursachen; sind sie behoben, ersetzt eine "
        "neue "
        "Installation den Mandanten.\n3 Besitzerwechsel übersprungen: die Rollen qz7k, trevix gibt es auf "
        "dem Server nicht, die Objekte gehören dem "
        "Mandanten.\nProtokoll: /l");
}

// The log is its owner's alone and never shows a concealed secret; a line is one line.
TEST(InstallationLog, AppendsPrivateLinesWithoutSecrets) {
    StateHome stateHome;
    TInstallationLog log; // the default file, under XDG_STATE_HOME
    EXPECT_EQ(log.File(), stateHome.logFile());
    log.Conceal("Ge'heim");
    log.Write("Ge'heimGe'heim");
    log.Write("a\r\nb Ge'heim");
    const std::string text = stateHome.logText();
    EXPECT_NE(text.find("  ******\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  a | b ***\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Ge'heim"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
    namespace fs = std::filesystem;
    EXPECT_EQ(fs::status(stateHome.logFile()).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(stateHome.path() + "/velmora").permissions() & fs::perms::all, fs::perms::owner_all);
}

} // namespace
