#include "Common/DBAccess.h"

#include "support/ScriptedDialog.h"

#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

using namespace velmora;
using testing::ElementsAre;
using velmora::test::ScriptedDialog;

namespace {

// A database error of the test provider; fatal ones end the session.
class ETestError : public EDAError {
public:
    ETestError(const std::string& message, bool fatal) : EDAError(message, 42), fatal_(fatal) {}
    bool IsFatalError() const override { return fatal_; }

private:
    bool fatal_;
};

// What the provider connection was asked to do, shared with the test after the connection owns it.
struct ProviderLog {
    std::vector<std::string> connects; // "user:password@server" of each successful connect
    int disconnects = 0;
    std::function<void()> failNextConnect;   // throws instead of connecting, once
    std::function<void()> failDatabaseNames; // throws instead of answering
    bool inTransaction = false;
};

class FakeProviderConnection : public TCRConnection {
public:
    explicit FakeProviderConnection(ProviderLog& log) : log_(log) {}

    void Connect() override {
        if (auto fail = std::exchange(log_.failNextConnect, nullptr))
            fail();
        log_.connects.push_back(Username() + ":" + Password() + "@" + Server());
        connected_ = true;
    }
    void Disconnect() override {
        ++log_.disconnects;
        connected_ = false;
    }
    bool IsConnected() const override { return connected_; }
    bool InTransaction() const override { return log_.inTransaction; }
    std::vector<std::string> GetDatabaseNames() override {
        if (log_.failDatabaseNames)
            log_.failDatabaseNames();
        return {"postgres", "template1"};
    }
    std::vector<std::string> GetRoleNames() override { return {"postgres"}; }
    std::vector<std::vector<std::string>> SelectRows(const std::string&) override { return {{"1"}}; }

private:
    ProviderLog& log_;
    bool connected_ = false;
};

// A connection over the fake provider; it can offer a default dialog like a component layer does.
// The log lives outside, because the connection closes its session when it is destroyed.
class TestConnection : public TCustomDAConnection {
public:
    explicit TestConnection(ProviderLog& providerLog) : log(providerLog) {}

    ProviderLog& log;
    std::function<std::unique_ptr<TCustomConnectDialog>()> defaultDialog;

protected:
    std::unique_ptr<TCRConnection> CreateIConnection() override {
        return std::make_unique<FakeProviderConnection>(log);
    }
    std::unique_ptr<TCustomConnectDialog> CreateDefaultConnectDialog() override {
        return defaultDialog ? defaultDialog() : nullptr;
    }
};

class DAConnection : public testing::Test {
protected:
    DAConnection() {
        connection.SetServer("db.example");
        connection.SetUsername("admin");
        connection.SetPassword("pw");
    }

    ProviderLog log;
    TestConnection connection{log};
};

TEST_F(DAConnection, StartsClosedWithTheLoginPromptOn) {
    ProviderLog freshLog;
    TestConnection fresh(freshLog);
    EXPECT_FALSE(fresh.Connected());
    EXPECT_TRUE(fresh.LoginPrompt());
    EXPECT_FALSE(fresh.LockLoginPrompt());
    EXPECT_EQ(fresh.ConnectDialog(), nullptr);
    EXPECT_FALSE(fresh.Options().DisconnectedMode);
    EXPECT_EQ(fresh.Server(), "");
    EXPECT_EQ(fresh.Username(), "");
    EXPECT_EQ(fresh.Password(), "");
}

TEST_F(DAConnection, ConnectsWithTheStoredValuesAndDisconnectsOnce) {
    connection.SetLoginPrompt(false);
    connection.Connect();
    connection.Connect(); // an open connection stays as it is
    EXPECT_TRUE(connection.Connected());
    EXPECT_THAT(log.connects, ElementsAre("admin:pw@db.example"));
    EXPECT_EQ(connection.SessionCount(), 1u);

    connection.Disconnect();
    connection.Disconnect();
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(log.disconnects, 1);

    connection.Connect(); // a new session
    EXPECT_EQ(connection.SessionCount(), 2u);
}

TEST_F(DAConnection, EventsSurroundConnectAndDisconnect) {
    std::vector<std::string> events;
    connection.BeforeConnect = [&] { events.push_back("BeforeConnect"); };
    connection.AfterConnect = [&] { events.push_back("AfterConnect"); };
    connection.BeforeDisconnect = [&] { events.push_back("BeforeDisconnect"); };
    connection.AfterDisconnect = [&] { events.push_back("AfterDisconnect"); };

    connection.PerformConnect(false);
    connection.Disconnect();
    connection.PerformConnect(true); // a retry of the login dialog does not announce itself again
    connection.Disconnect();
    EXPECT_THAT(events, ElementsAre("BeforeConnect", "AfterConnect", "BeforeDisconnect", "AfterDisconnect",
                                    "AfterConnect", "BeforeDisconnect", "AfterDisconnect"));
}

struct SetterCase {
    const char* name;
    std::function<void(TCustomDAConnection&, const std::string&)> set;
    std::string current;
    std::string changed;
    std::string connectAfterChange;
};

TEST_F(DAConnection, ChangingAConnectParameterClosesAndTheNextConnectUsesIt) {
    const std::vector<SetterCase> cases{
        {"Server", &TCustomDAConnection::SetServer, "db.example", "other.example", "admin:pw@other.example"},
        {"Username", &TCustomDAConnection::SetUsername, "admin", "tenant", "tenant:pw@db.example"},
        {"Password", &TCustomDAConnection::SetPassword, "pw", "pw2", "admin:pw2@db.example"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ProviderLog subjectLog;
        TestConnection subject(subjectLog);
        subject.SetLoginPrompt(false);
        subject.SetServer("db.example");
        subject.SetUsername("admin");
        subject.SetPassword("pw");
        subject.Connect();

        c.set(subject, c.current);
        EXPECT_TRUE(subject.Connected()) << "the same value must not close the connection";
        c.set(subject, c.changed);
        EXPECT_FALSE(subject.Connected());
        subject.Connect();
        EXPECT_THAT(subject.log.connects, ElementsAre("admin:pw@db.example", c.connectAfterChange));
    }
}

TEST_F(DAConnection, AFailedConnectWithoutPromptPassesTheErrorAndStaysClosed) {
    connection.SetLoginPrompt(false);
    connection.Options().DisconnectedMode = true;
    log.failNextConnect = [] { throw ETestError("password authentication failed", true); };
    EXPECT_THROW(connection.Connect(), ETestError);
    EXPECT_FALSE(connection.Connected());

    // The failed attempt left no use counted: one statement bracket opens and closes the connection.
    connection.InternalConnect();
    EXPECT_TRUE(connection.Connected());
    connection.InternalDisconnect();
    EXPECT_FALSE(connection.Connected());
}

TEST_F(DAConnection, PromptRunsTheConnectDialog) {
    ScriptedDialog accept(true, "typed");
    connection.SetConnectDialog(&accept);
    connection.Connect();
    EXPECT_EQ(accept.executions, 1);
    EXPECT_TRUE(connection.Connected());
    EXPECT_THAT(log.connects, ElementsAre("admin:typed@db.example"));
}

TEST_F(DAConnection, ACancelledPromptRaisesEAbortAndLeavesTheConnectionClosed) {
    ScriptedDialog cancel(false);
    connection.SetConnectDialog(&cancel);
    EXPECT_THROW(connection.Connect(), EAbort);
    EXPECT_FALSE(connection.Connected());
    EXPECT_TRUE(log.connects.empty());
}

TEST_F(DAConnection, WithoutConnectDialogAPromptUsesATemporaryDefaultDialog) {
    int destroyed = 0;
    connection.defaultDialog = [&] { return std::make_unique<ScriptedDialog>(true, "typed", &destroyed); };
    connection.Connect();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(connection.ConnectDialog(), nullptr);

    connection.Disconnect();
    connection.defaultDialog = [&] { return std::make_unique<ScriptedDialog>(false, "", &destroyed); };
    EXPECT_THROW(connection.Connect(), EAbort);
    EXPECT_EQ(destroyed, 2);
}

TEST_F(DAConnection, NoPromptWhenLockedOrOffOrWithoutAnyDialog) {
    ScriptedDialog dialog(false);
    connection.SetConnectDialog(&dialog);

    connection.SetLockLoginPrompt(true);
    connection.Connect();
    EXPECT_TRUE(connection.Connected());
    connection.Disconnect();
    connection.SetLockLoginPrompt(false);

    connection.SetLoginPrompt(false);
    connection.Connect();
    EXPECT_TRUE(connection.Connected());
    connection.Disconnect();
    EXPECT_EQ(dialog.executions, 0);

    ProviderLog otherLog;
    TestConnection withoutDialog(otherLog); // LoginPrompt on, but nothing to prompt with
    withoutDialog.Connect();
    EXPECT_TRUE(withoutDialog.Connected());
}

TEST_F(DAConnection, ConnectDialogIsLinkedBothWays) {
    ScriptedDialog first(true), second(true);
    connection.SetConnectDialog(&first);
    EXPECT_EQ(first.Connection(), &connection);

    connection.SetConnectDialog(&second);
    EXPECT_EQ(first.Connection(), nullptr);
    EXPECT_EQ(second.Connection(), &connection);

    // A dialog assigned to another connection moves there.
    ProviderLog otherLog;
    TestConnection other(otherLog);
    other.SetConnectDialog(&second);
    EXPECT_EQ(second.Connection(), &other);
    EXPECT_EQ(connection.ConnectDialog(), nullptr);
}

TEST_F(DAConnection, DestroyingEitherSideReleasesTheLink) {
    {
        ScriptedDialog dialog(true);
        connection.SetConnectDialog(&dialog);
    }
    EXPECT_EQ(connection.ConnectDialog(), nullptr);

    ScriptedDialog dialog(true);
    {
        ProviderLog shortLog;
        TestConnection shortLived(shortLog);
        shortLived.SetConnectDialog(&dialog);
    }
    EXPECT_EQ(dialog.Connection(), nullptr);
}

TEST_F(DAConnection, DestroyingAnOpenConnectionClosesItsSession) {
    ProviderLog shortLog;
    bool afterDisconnectCalled = false;
    {
        TestConnection shortLived(shortLog);
        shortLived.SetLoginPrompt(false);
        shortLived.Connect();
        shortLived.AfterDisconnect = [&] { afterDisconnectCalled = true; };
    }
    EXPECT_EQ(shortLog.disconnects, 1);
    EXPECT_TRUE(afterDisconnectCalled);
}

TEST_F(DAConnection, TheFirstImplicitConnectPromptsAndLaterOnesDoNot) {
    ScriptedDialog dialog(true, "typed");
    connection.SetConnectDialog(&dialog);

    connection.InternalConnect();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(dialog.executions, 1);
    EXPECT_TRUE(connection.LoginPrompt());
    connection.InternalDisconnect();

    // The session is lost; the next script opens the connection again with the stored values.
    log.failDatabaseNames = [] { throw ETestError("terminating connection", true); };
    EXPECT_THROW(connection.GetDatabaseNames(), ETestError);
    EXPECT_FALSE(connection.Connected());
    log.failDatabaseNames = nullptr;

    connection.InternalConnect();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(dialog.executions, 1);
    connection.InternalDisconnect();
    EXPECT_THAT(log.connects, ElementsAre("admin:typed@db.example", "admin:typed@db.example"));
}

TEST_F(DAConnection, AnImplicitConnectAfterAnExplicitDisconnectPromptsAgain) {
    ScriptedDialog dialog(true);
    connection.SetConnectDialog(&dialog);
    connection.InternalConnect();
    connection.InternalDisconnect();
    connection.Disconnect();

    connection.InternalConnect();
    EXPECT_EQ(dialog.executions, 2);
    connection.InternalDisconnect();
}

TEST_F(DAConnection, ACancelledImplicitPromptLeavesTheNextOneToPromptAgain) {
    ScriptedDialog cancel(false);
    connection.SetConnectDialog(&cancel);
    EXPECT_THROW(connection.InternalConnect(), EAbort);
    EXPECT_FALSE(connection.Connected());
    EXPECT_TRUE(connection.LoginPrompt());

    EXPECT_THROW(connection.InternalConnect(), EAbort);
    EXPECT_EQ(cancel.executions, 2);
}

TEST_F(DAConnection, AFailedImplicitConnectRestoresTheLoginPromptAndCountsNoUse) {
    connection.SetLoginPrompt(false);
    connection.Options().DisconnectedMode = true;
    log.failNextConnect = [] { throw ETestError("no route to host", true); };
    EXPECT_THROW(connection.InternalConnect(), ETestError);
    EXPECT_FALSE(connection.LoginPrompt());

    connection.InternalConnect();
    connection.InternalDisconnect();
    EXPECT_FALSE(connection.Connected()) << "a use left counted by the failure kept the connection open";
}

TEST_F(DAConnection, DisconnectedModeClosesWhenTheLastUserIsDone) {
    connection.SetLoginPrompt(false);
    connection.Options().DisconnectedMode = true;

    connection.InternalConnect();
    connection.InternalConnect(); // a statement inside a script
    connection.InternalDisconnect();
    EXPECT_TRUE(connection.Connected());
    connection.InternalDisconnect();
    EXPECT_FALSE(connection.Connected());

    // An open transaction keeps the session.
    connection.InternalConnect();
    log.inTransaction = true;
    connection.InternalDisconnect();
    EXPECT_TRUE(connection.Connected());
    log.inTransaction = false;

    // So does an explicit Connect: it counts as a user until Disconnect.
    connection.Disconnect();
    connection.Connect();
    connection.InternalConnect();
    connection.InternalDisconnect();
    EXPECT_TRUE(connection.Connected());
}

TEST_F(DAConnection, WithoutDisconnectedModeTheConnectionStaysOpenAfterItsUsers) {
    connection.SetLoginPrompt(false);
    connection.InternalConnect();
    connection.InternalDisconnect();
    EXPECT_TRUE(connection.Connected());
}

TEST_F(DAConnection, GetDatabaseNamesOpensTheConnectionAndKeepsItOnAnOrdinaryError) {
    connection.SetLoginPrompt(false);
    EXPECT_THAT(connection.GetDatabaseNames(), ElementsAre("postgres", "template1"));
    EXPECT_TRUE(connection.Connected());

    log.failDatabaseNames = [] { throw ETestError("permission denied", false); };
    EXPECT_THROW(connection.GetDatabaseNames(), ETestError);
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(log.disconnects, 0);
}

// What an observer of the connection heard, one line each.
class RecordingObserver : public TStatementObserver {
public:
    void Statement(const TParsedSQL& sql, const TDAParams&, bool withheld) override {
        heard.push_back((withheld ? "withheld " : "sent ") + sql.Text);
    }
    void LogOnWithheld(const TCustomDAConnection& connection) override {
        heard.push_back("log-on " + connection.Username() + "@" + connection.Server());
    }
    std::vector<std::string> heard;
};

// A dry run logs nobody on by itself: a connect is only reported, and a catalogue query needs the
// session a login dialog opened for real, which it then uses and reports as sent.
TEST_F(DAConnection, ADryRunReportsItsConnectAndReadsOnlyOnASessionOpenedForReal) {
    RecordingObserver observer;
    connection.SetStatementObserver(&observer);
    connection.SetDryRun(true);
    connection.SetLoginPrompt(false);

    connection.Connect();
    EXPECT_FALSE(connection.Connected());
    EXPECT_TRUE(log.connects.empty());
    EXPECT_THROW(connection.SelectRows("SELECT 1"), EDatabaseError);
    EXPECT_TRUE(log.connects.empty());

    connection.PerformConnect(false);
    EXPECT_EQ(connection.SelectRows("SELECT 2"), (std::vector<std::vector<std::string>>{{"1"}}));
    EXPECT_THAT(observer.heard, ElementsAre("log-on admin@db.example", "sent SELECT 2"));
    EXPECT_THAT(log.connects, ElementsAre("admin:pw@db.example"));
}

} // namespace
