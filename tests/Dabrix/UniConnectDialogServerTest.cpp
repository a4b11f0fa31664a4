// The login dialog against the sandbox server: failed and successful attempts, what a success
// stores, the server history, and the database drop-down.
#include "Dabrix/LoginDialogFixture.h"
#include "support/Sandbox.h"

#include <gmock/gmock.h>

using namespace velmora;
using namespace velmora::test;
using testing::ElementsAre;
using testing::IsEmpty;
using TResult = TConnectFormController::TConnectResult;

namespace {

class LoginDialogServerTest : public LoginDialogTest {
protected:
    // The user types the sandbox's login with the given password and server name.
    static void TypeLogin(TScriptedConnectForm& form, const std::string& password,
                          const std::string& server = sandbox().host) {
        form.texts[TConnectField::Username] = sandbox().user;
        form.texts[TConnectField::Password] = password;
        form.texts[TConnectField::Server] = server;
        form.texts[TConnectField::Port] = sandbox().port;
    }

    // The server's message; it ends in a quote, which sorts before the full stop, so the error box
    // adds none.
    static std::string AuthenticationFailure() {
        return "password authentication failed for user \"" + sandbox().user + "\"";
    }
};

TEST_F(LoginDialogServerTest, ThreeWrongPasswordsGiveTheLoginUpAndRestoreTheConnection) {
    connection.SetPassword("before");
    std::vector<TResult> results;
    user = [&](TScriptedConnectForm& form) {
        TypeLogin(form, "wrong");
        while (form.IsOpen())
            results.push_back(form.PressConnect());
    };

    EXPECT_FALSE(dialog.Execute());

    EXPECT_THAT(results, ElementsAre(TResult::TryAgain, TResult::TryAgain, TResult::GivenUp));
    ASSERT_EQ(boxes.shown.size(), 3u);
    for (const auto& box : boxes.shown) {
        EXPECT_EQ(box.kind, TMessageBoxKind::Error);
        EXPECT_EQ(box.caption, "Setup");
        EXPECT_EQ(box.text, AuthenticationFailure());
    }
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(connection.Username(), "NAME");
    EXPECT_EQ(connection.Password(), "before");
    EXPECT_EQ(connection.Server(), "localhost");
    EXPECT_EQ(connection.Port(), std::stoi(sandbox().port)) << "the port keeps what the form set";
    EXPECT_EQ(SettingsFileText(), "") << "a failed login stores nothing";
}

TEST_F(LoginDialogServerTest, WrongThenRightPasswordConnectsAndStoresTheLoginWithoutThePassword) {
    user = [&](TScriptedConnectForm& form) {
        TypeLogin(form, "wrong");
        EXPECT_EQ(form.PressConnect(), TResult::TryAgain);
        form.texts[TConnectField::Password] = sandbox().password;
        form.texts[TConnectField::Database] = "postgres";
        EXPECT_EQ(form.PressConnect(), TResult::Connected);
    };

    EXPECT_TRUE(dialog.Execute());

    EXPECT_TRUE(connection.Connected());
    EXPECT_THAT(boxes.Texts(), ElementsAre(AuthenticationFailure()));
    EXPECT_EQ(Stored(kLogInfoKey, "Username"), sandbox().user);
    EXPECT_EQ(Stored(kLogInfoKey, "ServerC1"), sandbox().host);
    EXPECT_EQ(Stored(kLogInfoKey, "Provider"), "PostgreSQL");
    EXPECT_EQ(store.OpenKeyForReading(kLogInfoKey)->ReadInteger("Port"), std::stoi(sandbox().port));
    EXPECT_EQ(Stored(kLogInfoKey, "Database"), "postgres");
    EXPECT_THAT(StoredHistory(), ElementsAre(sandbox().host));
    EXPECT_EQ(SettingsFileText().find(sandbox().password), std::string::npos);
}

// The server field takes several hosts as the connection does: a dead one is passed over, and the
// stored login and the history keep what was typed.
TEST_F(LoginDialogServerTest, SeveralServersInTheServerFieldLogOnAndAreStoredAsTyped) {
    const std::string servers = "no-such-host.invalid," + sandbox().host;
    user = [&](TScriptedConnectForm& form) {
        TypeLogin(form, sandbox().password, servers);
        form.texts[TConnectField::Database] = "postgres";
        EXPECT_EQ(form.PressConnect(), TResult::Connected);
    };
    EXPECT_TRUE(dialog.Execute());

    EXPECT_TRUE(connection.Connected());
    EXPECT_THAT(boxes.shown, IsEmpty());
    EXPECT_EQ(Stored(kLogInfoKey, "ServerC1"), servers);
    EXPECT_THAT(StoredHistory(), ElementsAre(servers));
}

// The next start of the program shows the stored login with an empty password and offers the
// server first in the server list.
TEST_F(LoginDialogServerTest, NextStartShowsTheStoredLogin) {
    Store(kHistoryKey, {{"ServerC1 1", "db.example"}});
    user = [&](TScriptedConnectForm& form) {
        TypeLogin(form, sandbox().password);
        form.texts[TConnectField::Database] = "template1";
        form.PressConnect();
    };
    ASSERT_TRUE(dialog.Execute());

    TUniConnection nextConnection;
    TUniConnectDialog nextDialog;
    SetUpAsTheWindowDoes(nextConnection, nextDialog);
    std::map<TConnectField, std::string> texts;
    std::vector<std::string> servers;
    TConnectField focus = TConnectField::Provider;
    user = [&](TScriptedConnectForm& form) {
        texts = form.texts;
        focus = form.focus;
        form.DropDownServers();
        servers = form.items[TConnectField::Server];
        form.PressCancel();
    };
    EXPECT_THROW(nextConnection.Connect(), EAbort);

    EXPECT_THAT(texts, ElementsAre(std::pair(TConnectField::Provider, "PostgreSQL"),
                                   std::pair(TConnectField::Username, sandbox().user),
                                   std::pair(TConnectField::Password, ""),
                                   std::pair(TConnectField::Server, sandbox().host),
                                   std::pair(TConnectField::Port, sandbox().port),
                                   std::pair(TConnectField::Database, "template1")));
    EXPECT_EQ(focus, TConnectField::Password);
    EXPECT_THAT(servers, ElementsAre(sandbox().host, "db.example"));
}

// A server already in the history moves to the front, also when it was written in another case.
TEST_F(LoginDialogServerTest, LoggingInMovesTheServerToTheFrontOfTheHistoryWithoutDuplicates) {
    Store(kHistoryKey,
          {{"ServerC1 1", "db.example"}, {"ServerC1 2", "LOCALHOST"}, {"ServerC1 3", "other.example"}});
    const auto logInTo = [&](const std::string& server) {
        user = [&](TScriptedConnectForm& form) {
            TypeLogin(form, sandbox().password, server);
            form.PressConnect();
        };
        ASSERT_TRUE(dialog.Execute());
        connection.Disconnect();
    };

    logInTo("localhost");
    EXPECT_THAT(StoredHistory(), ElementsAre("localhost", "db.example", "other.example"));
    logInTo(sandbox().host);
    EXPECT_THAT(StoredHistory(), ElementsAre(sandbox().host, "localhost", "db.example", "other.example"));
    logInTo("LocalHost");
    EXPECT_THAT(StoredHistory(), ElementsAre("LocalHost", sandbox().host, "db.example", "other.example"));
    EXPECT_EQ(Stored(kLogInfoKey, "ServerC1"), "LocalHost");
    EXPECT_THAT(boxes.shown, IsEmpty());
}

TEST_F(LoginDialogServerTest, AStoreThatCannotBeWrittenDoesNotFailTheLogin) {
    const std::string blocker = directory.filePath(QStringLiteral("not-a-directory")).toStdString();
    std::ofstream(blocker) << "a file where the store's directory should be";
    TIniSettingsStore unwritable(blocker + "/user-settings.ini");
    dialog.SetSettingsStore(&unwritable);
    user = [&](TScriptedConnectForm& form) {
        TypeLogin(form, sandbox().password);
        form.PressConnect();
    };
    EXPECT_TRUE(dialog.Execute());
    EXPECT_TRUE(connection.Connected());
    EXPECT_THAT(boxes.shown, IsEmpty());
}

// The administrator chooses verify-ca in the SSL dialog and logs on as auth_ssl, whom the server lets
// in only over TLS. A file that is not the server's CA fails on the certificate; with the sandbox's CA
// the login succeeds, is stored with its encryption (never the password), and the next showing of the
// SSL dialog brings the choice back.
TEST_F(LoginDialogServerTest, VerifyCAChosenInTheSSLDialogLogsOnOverTLSAndIsStored) {
    connection.SetSpecificOption("SSLMode", "smPrefer");
    user = [&](TScriptedConnectForm& form) {
        TypeLogin(form, "pw-ssl");
        form.texts[TConnectField::Username] = "auth_ssl";
        form.texts[TConnectField::Database] = "postgres";
        form.ChooseSSL(TSSLChoice{"verify-ca", sandbox().clientCert});
        EXPECT_EQ(form.PressConnect(), TResult::TryAgain);
        form.ChooseSSL(TSSLChoice{"verify-ca", sandbox().sslRootCert});
        EXPECT_EQ(form.PressConnect(), TResult::Connected);
    };
    ASSERT_TRUE(dialog.Execute());

    EXPECT_TRUE(connection.Connected());
    EXPECT_THAT(boxes.Texts(),
                ElementsAre("The server certificate of host '" + sandbox().host +
                            "' is not trusted: self-signed certificate in certificate chain."));
    EXPECT_EQ(Stored(kLogInfoKey, "SSLMode"), "smVerifyCA");
    EXPECT_EQ(Stored(kLogInfoKey, "SSLCACert"), sandbox().sslRootCert);
    EXPECT_EQ(SettingsFileText().find("pw-ssl"), std::string::npos);

    connection.Disconnect();
    connection.SetSpecificOption("SSLMode", "smPrefer");
    connection.SetSpecificOption("SSLCACert", "");
    std::optional<TSSLChoice> shown;
    user = [&](TScriptedConnectForm& form) {
        form.ChooseSSL(std::nullopt);
        shown = form.sslShown;
        form.PressCancel();
    };
    dialog.Execute();
    ASSERT_TRUE(shown.has_value());
    EXPECT_EQ(shown->mode, "verify-ca");
    EXPECT_EQ(shown->caFile, sandbox().sslRootCert);
}

class DatabaseDropDownTest : public LoginDialogServerTest {
protected:
    DatabaseDropDownTest() { psql("postgres", {"-c", "CREATE DATABASE " + database}); }
    ~DatabaseDropDownTest() override {
        connection.Disconnect();
        psql("postgres", {"-c", "DROP DATABASE IF EXISTS " + database});
    }

    const std::string database = uniqueName("dropdown");
};

// The list is read with the fields' login on a closed connection, which is closed again afterwards
// and keeps its database; no login dialog opens while the list is read.
TEST_F(DatabaseDropDownTest, ListsTheServersDatabasesAndLeavesAClosedConnectionAsItWas) {
    connection.SetDatabase("firma");
    std::vector<std::string> offered;
    bool connectedAfter = true;
    std::string databaseAfter;
    int busyCount = 0;
    bool busyAfter = true;
    user = [&](TScriptedConnectForm& form) {
        TypeLogin(form, sandbox().password);
        form.DropDownDatabases();
        offered = form.items[TConnectField::Database];
        connectedAfter = connection.Connected();
        databaseAfter = connection.Database();
        busyCount = form.busyCount;
        busyAfter = form.busy;
        form.PressCancel();
    };
    dialog.Execute();

    EXPECT_THAT(boxes.shown, IsEmpty());
    EXPECT_EQ(showings, 1);
    EXPECT_THAT(offered, testing::Contains(database));
    EXPECT_THAT(offered, testing::Contains("template1"));
    EXPECT_TRUE(std::is_sorted(offered.begin(), offered.end()));
    EXPECT_FALSE(connectedAfter);
    EXPECT_EQ(databaseAfter, "firma");
    EXPECT_EQ(busyCount, 1);
    EXPECT_FALSE(busyAfter);
    EXPECT_TRUE(connection.LoginPrompt());
    EXPECT_FALSE(connection.LockLoginPrompt());
}

TEST_F(DatabaseDropDownTest, AFailureIsReportedAndLeavesTheConnectionAsItWas) {
    connection.SetDatabase("firma");
    std::vector<std::string> offered = {"unchanged"};
    bool connectedAfter = true;
    std::string databaseAfter;
    user = [&](TScriptedConnectForm& form) {
        form.items[TConnectField::Database] = offered;
        TypeLogin(form, "wrong");
        form.DropDownDatabases();
        offered = form.items[TConnectField::Database];
        connectedAfter = connection.Connected();
        databaseAfter = connection.Database();
        EXPECT_TRUE(form.IsOpen());
        form.PressCancel();
    };
    dialog.Execute();

    EXPECT_THAT(boxes.Texts(), ElementsAre(AuthenticationFailure()));
    EXPECT_THAT(offered, ElementsAre("unchanged"));
    EXPECT_FALSE(connectedAfter);
    EXPECT_EQ(databaseAfter, "firma");
    EXPECT_TRUE(connection.LoginPrompt());
    EXPECT_FALSE(connection.LockLoginPrompt());
}

TEST_F(DatabaseDropDownTest, AnOpenConnectionStaysOpenOnItsDatabase) {
    std::vector<std::string> offered;
    user = [&](TScriptedConnectForm& form) {
        TypeLogin(form, sandbox().password);
        form.texts[TConnectField::Database] = database;
        ASSERT_EQ(form.PressConnect(), TResult::Connected);
    };
    ASSERT_TRUE(dialog.Execute());
    // Without stored settings the password is not cleared, which would close the connection.
    dialog.SetStoreLogInfo(false);
    user = [&](TScriptedConnectForm& form) {
        form.DropDownDatabases();
        offered = form.items[TConnectField::Database];
        form.PressCancel();
    };
    dialog.Execute();

    EXPECT_THAT(offered, testing::Contains(database));
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(connection.Database(), database);
}

} // namespace
