// The login dialog without a server: what the form shows, cancelling, the stored settings, and the
// failures that happen before a connection is tried.
#include "Common/DAScript.h"
#include "Dabrix/LoginDialogFixture.h"
#include "support/ExpectFailure.h"

#include <gmock/gmock.h>

using namespace velmora;
using namespace velmora::test;
using testing::ElementsAre;
using testing::IsEmpty;
using TResult = TConnectFormController::TConnectResult;

namespace {

TEST(UniConnectDialogLabels, LabelSetsLoadTheirTextsAndAChangedTextMakesThemCustom) {
    TUniConnectDialog dialog;
    EXPECT_EQ(dialog.LabelSet(), TLabelSet::lsEnglish);
    EXPECT_EQ(std::vector<std::string>({dialog.Caption(), dialog.UsernameLabel(), dialog.PasswordLabel(),
                                        dialog.ServerLabel(), dialog.ConnectButton(), dialog.CancelButton(),
                                        dialog.DatabaseLabel(), dialog.PortLabel(), dialog.ProviderLabel()}),
              std::vector<std::string>({"Connect", "User Name", "Password", "Server", "Connect", "Cancel",
                                        "Database", "Port", "Provider"}));

    dialog.SetLabelSet(TLabelSet::lsGerman);
    EXPECT_EQ(std::vector<std::string>({dialog.Caption(), dialog.UsernameLabel(), dialog.PasswordLabel(),
                                        dialog.ServerLabel(), dialog.ConnectButton(), dialog.CancelButton(),
                                        dialog.DatabaseLabel(), dialog.PortLabel(), dialog.ProviderLabel()}),
              std::vector<std::string>({"Anmeldung", "Benutzername", "Kennwort", "Host-Zeichenfolge", "Ok",
                                        "Abbrechen", "Datenbank", "Tor", "Versorger"}));

    dialog.SetPortLabel("Tor");
    EXPECT_EQ(dialog.LabelSet(), TLabelSet::lsGerman) << "setting a text to what it is changes nothing";
    dialog.SetPortLabel("Port");
    EXPECT_EQ(dialog.LabelSet(), TLabelSet::lsCustom);
    EXPECT_EQ(dialog.PortLabel(), "Port");
    EXPECT_EQ(dialog.Caption(), "Anmeldung");

    dialog.SetLabelSet(TLabelSet::lsEnglish);
    EXPECT_EQ(dialog.PortLabel(), "Port");
    EXPECT_EQ(dialog.Caption(), "Connect");
}

// The SSL dialog speaks the language the label set last loaded, also after a text was changed.
TEST(UniConnectDialogLabels, TheSSLDialogFollowsTheLanguageOfTheLabelSet) {
    TUniConnectDialog dialog;
    EXPECT_EQ(dialog.SSLTexts().caption, "SSL Connection");
    dialog.SetLabelSet(TLabelSet::lsGerman);
    dialog.SetCaption("Anmelden");
    ASSERT_EQ(dialog.LabelSet(), TLabelSet::lsCustom);
    const TSSLTexts& german = dialog.SSLTexts();
    EXPECT_EQ(std::vector<std::string>(
                  {german.caption, german.mode, german.caFile, german.ok, german.cancel, german.browse}),
              std::vector<std::string>({"SSL-Verbindung", "SSL-Modus", "CA-Zertifikat", "Ok", "Abbrechen",
                                        "CA-Zertifikat wählen"}));
    dialog.SetLabelSet(TLabelSet::lsEnglish);
    EXPECT_EQ(dialog.SSLTexts().mode, "SSL Mode");
}

TEST(UniConnectDialogWithout, AConnectionRaisesAndShowsNothing) {
    TRecordingMessageBoxes boxes;
    TUniConnectDialog dialog;
    dialog.SetMessageBoxes(&boxes);
    const EDatabaseError error =
        ExpectFailure<EDatabaseError>([&] { dialog.Execute(); }, "Execute without a connection returned");
    EXPECT_STREQ(error.what(), "Connection is not defined");
    EXPECT_THAT(boxes.shown, IsEmpty());
}

TEST_F(LoginDialogTest, FirstShowingWithoutStoredSettingsAsksForThePassword) {
    TScriptedConnectForm shown({});
    user = [&](TScriptedConnectForm& form) {
        shown.caption = form.caption;
        shown.labels = form.labels;
        shown.connectCaption = form.connectCaption;
        shown.cancelCaption = form.cancelCaption;
        shown.texts = form.texts;
        shown.items = form.items;
        shown.focus = form.focus;
        form.PressCancel();
    };
    EXPECT_FALSE(dialog.Execute());

    EXPECT_EQ(shown.caption, "Anmeldung");
    EXPECT_THAT(shown.labels, ElementsAre(std::pair(TConnectField::Provider, "Versorger"),
                                          std::pair(TConnectField::Username, "Benutzername"),
                                          std::pair(TConnectField::Password, "Kennwort"),
                                          std::pair(TConnectField::Server, "Host-Zeichenfolge"),
                                          std::pair(TConnectField::Port, "Tor"),
                                          std::pair(TConnectField::Database, "Datenbank")));
    EXPECT_EQ(shown.connectCaption, "Ok");
    EXPECT_EQ(shown.cancelCaption, "Abbrechen");
    EXPECT_THAT(shown.items[TConnectField::Provider], ElementsAre("PostgreSQL"));
    EXPECT_THAT(shown.texts,
                ElementsAre(std::pair(TConnectField::Provider, "PostgreSQL"),
                            std::pair(TConnectField::Username, "NAME"),
                            std::pair(TConnectField::Password, ""),
                            std::pair(TConnectField::Server, "localhost"),
                            std::pair(TConnectField::Port, "0"), std::pair(TConnectField::Database, "")));
    EXPECT_EQ(shown.focus, TConnectField::Password);
    EXPECT_THAT(boxes.shown, IsEmpty());
}

TEST_F(LoginDialogTest, FocusStartsOnTheProviderListWhenTheProviderIsNotRegistered) {
    connection.SetProviderName("Oracle");
    TConnectField focus = TConnectField::Password;
    std::string shownProvider = "?";
    user = [&](TScriptedConnectForm& form) {
        focus = form.focus;
        shownProvider = form.Text(TConnectField::Provider);
        form.PressCancel();
    };
    dialog.Execute();
    EXPECT_EQ(focus, TConnectField::Provider);
    EXPECT_EQ(shownProvider, "");
    EXPECT_EQ(connection.ProviderName(), "Oracle");
}

TEST_F(LoginDialogTest, CancelledLoginRaisesTheSilentCancelAndGivesTheLoginValuesBack) {
    Store(kLogInfoKey, {{"Username", "admin"}, {"ServerC1", "db.example"}, {"Port", "6543"}});
    connection.SetUsername("NAME");
    connection.SetPassword("before");
    connection.SetServer("localhost");
    const std::string fileBefore = SettingsFileText();

    EXPECT_THROW(connection.Connect(), EAbort);

    EXPECT_EQ(showings, 1);
    EXPECT_THAT(boxes.shown, IsEmpty());
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(connection.Username(), "NAME");
    EXPECT_EQ(connection.Password(), "before");
    EXPECT_EQ(connection.Server(), "localhost");
    EXPECT_EQ(connection.Port(), 6543) << "the port keeps what the dialog loaded";
    EXPECT_EQ(SettingsFileText(), fileBefore);
}

// The stored login, under the current key or the older one, replaces the connection's values.
TEST_F(LoginDialogTest, StoredLoginIsShownWithAnEmptyPassword) {
    for (const std::string vendor : {"Vorlaxe", "Calbrune"}) {
        SCOPED_TRACE(vendor);
        QTemporaryDir otherDirectory;
        TIniSettingsStore otherStore(otherDirectory.filePath(QStringLiteral("u.ini")).toStdString());
        dialog.SetSettingsStore(&otherStore);
        {
            auto key = otherStore.CreateKey("\\SOFTWARE\\" + vendor + "\\Dabrix\\Connect\\Setup");
            key->WriteString("Username", "admin");
            key->WriteString("ServerC1", "db.example");
            key->WriteString("Provider", "postgresql");
            key->WriteInteger("Port", 6543);
            key->WriteString("Database", "firma");
        }
        connection.SetUsername("NAME");
        connection.SetPassword("secret");
        std::map<TConnectField, std::string> texts;
        TConnectField focus = TConnectField::Provider;
        user = [&](TScriptedConnectForm& form) {
            texts = form.texts;
            focus = form.focus;
            form.PressCancel();
        };
        dialog.Execute();
        EXPECT_THAT(texts, ElementsAre(std::pair(TConnectField::Provider, "PostgreSQL"),
                                       std::pair(TConnectField::Username, "admin"),
                                       std::pair(TConnectField::Password, ""),
                                       std::pair(TConnectField::Server, "db.example"),
                                       std::pair(TConnectField::Port, "6543"),
                                       std::pair(TConnectField::Database, "firma")));
        EXPECT_EQ(focus, TConnectField::Password);
    }
}

TEST_F(LoginDialogTest, SavePasswordKeepsThePasswordOnlyForTheSameUser) {
    dialog.SetSavePassword(true);
    struct Case {
        std::string storedUser;
        std::string shownPassword;
    };
    for (const Case& c : {Case{"name", "secret"}, Case{"admin", ""}}) {
        SCOPED_TRACE(c.storedUser);
        Store(kLogInfoKey, {{"Username", c.storedUser}});
        connection.SetUsername("NAME");
        connection.SetPassword("secret");
        std::string password = "?";
        user = [&](TScriptedConnectForm& form) {
            password = form.Text(TConnectField::Password);
            form.PressCancel();
        };
        dialog.Execute();
        EXPECT_EQ(password, c.shownPassword);
    }
}

TEST_F(LoginDialogTest, WithoutStoreLogInfoNothingIsLoadedAndThePasswordStays) {
    Store(kLogInfoKey, {{"Username", "admin"}});
    dialog.SetStoreLogInfo(false);
    connection.SetPassword("secret");
    std::map<TConnectField, std::string> texts;
    user = [&](TScriptedConnectForm& form) {
        texts = form.texts;
        form.PressCancel();
    };
    dialog.Execute();
    EXPECT_EQ(texts[TConnectField::Username], "NAME");
    EXPECT_EQ(texts[TConnectField::Password], "secret");
}

// A port that is not a number is reported and moves the focus to the port field, without using up
// an attempt: the three refused connects after it are what gives the login up.
TEST_F(LoginDialogTest, PortThatIsNotANumberIsReportedWithoutUsingUpAnAttempt) {
    std::vector<TResult> results;
    std::vector<TConnectField> focusAtBox;
    TScriptedConnectForm* current = nullptr;
    boxes.whileShown = [&](const TRecordingMessageBoxes::TBox&) { focusAtBox.push_back(current->focus); };
    user = [&](TScriptedConnectForm& form) {
        current = &form;
        form.texts[TConnectField::Server] = "127.0.0.1";
        form.texts[TConnectField::Port] = "abc";
        results.push_back(form.PressConnect());
        form.texts[TConnectField::Port] = "1"; // nothing listens there
        while (form.IsOpen())
            results.push_back(form.PressConnect());
    };
    EXPECT_FALSE(dialog.Execute());

    EXPECT_THAT(results,
                ElementsAre(TResult::TryAgain, TResult::TryAgain, TResult::TryAgain, TResult::GivenUp));
    ASSERT_EQ(boxes.shown.size(), 4u);
    EXPECT_EQ(boxes.shown[0].text, "''abc'' ist kein gültiger Integer-Wert.");
    EXPECT_EQ(boxes.shown[0].caption, "Setup");
    EXPECT_EQ(boxes.shown[0].kind, TMessageBoxKind::Error);
    EXPECT_EQ(focusAtBox[0], TConnectField::Port);
    EXPECT_THAT(boxes.shown[1].text, testing::StartsWith("Cannot connect to server on host '127.0.0.1':"));
    EXPECT_EQ(connection.Server(), "localhost");
}

TEST_F(LoginDialogTest, PortTextsThatAreNotDecimalIntegers) {
    for (const std::string port : {"", " 5432", "5432 ", "54x", "0x10", "99999999999"}) {
        SCOPED_TRACE(port);
        boxes.shown.clear();
        user = [&](TScriptedConnectForm& form) {
            form.texts[TConnectField::Port] = port;
            form.PressConnect();
            form.PressCancel();
        };
        dialog.Execute();
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, "''" + port + "'' ist kein gültiger Integer-Wert.");
    }
}

TEST_F(LoginDialogTest, ServerDropDownOffersTheHistoryInItsOrder) {
    Store("\\SOFTWARE\\Calbrune\\Dabrix\\Connect\\Providers\\PostgreSQL",
          {{"ServerC1 1", "old.example"}, {"ServerC1 2", "older.example"}});
    std::vector<std::vector<std::string>> offered;
    user = [&](TScriptedConnectForm& form) {
        form.DropDownServers();
        offered.push_back(form.items[TConnectField::Server]);
        form.PressCancel();
    };
    dialog.Execute();
    Store(kHistoryKey,
          {{"ServerC1 1", "db.example"}, {"ServerC1 2", "localhost"}, {"ServerC1 4", "lost.example"}});
    dialog.Execute();

    EXPECT_THAT(offered, ElementsAre(ElementsAre("old.example", "older.example"),
                                     ElementsAre("db.example", "localhost")));
    EXPECT_THAT(dialog.GetServerList(), ElementsAre("db.example", "localhost"));
}

// A second registered provider, only to be chosen from the provider list; nothing connects with it.
class TListedOnlyProvider final : public TUniProvider {
public:
    TListedOnlyProvider() : TUniProvider("Other") {}
    std::unique_ptr<TCRConnection> CreateConnection() const override { return nullptr; }
    std::unique_ptr<TCRCommand> CreateCommand() const override { return nullptr; }
    std::unique_ptr<TDAScriptProcessor> CreateScriptProcessor(TDAScript&) const override { return nullptr; }
    void SetConnectionOptions(TCRConnection&, const std::vector<std::string>&) const override {}
};

// Choosing another provider loads the stored login into the form again; choosing the provider in use
// keeps what the user typed.
TEST_F(LoginDialogTest, ChoosingAProviderPreparesTheFormWithTheStoredLogin) {
    TListedOnlyProvider other;
    Store(kLogInfoKey, {{"Username", "admin"}, {"ServerC1", "db.example"}});
    std::vector<std::string> providers;
    std::string userAfterSameChoice, userAfterOtherChoice, serverAfterOtherChoice;
    user = [&](TScriptedConnectForm& form) {
        providers = form.items[TConnectField::Provider];
        form.texts[TConnectField::Username] = "typed";
        form.ChooseProvider("PostgreSQL");
        userAfterSameChoice = form.Text(TConnectField::Username);
        connection.SetUsername("changed meanwhile");
        form.ChooseProvider("Other");
        userAfterOtherChoice = form.Text(TConnectField::Username);
        serverAfterOtherChoice = form.Text(TConnectField::Server);
        EXPECT_EQ(form.Text(TConnectField::Provider), "Other");
        EXPECT_EQ(connection.ProviderName(), "Other");
        form.PressCancel();
    };
    dialog.Execute();

    EXPECT_THAT(providers, ElementsAre("PostgreSQL", "Other"));
    EXPECT_EQ(userAfterSameChoice, "typed");
    EXPECT_EQ(userAfterOtherChoice, "admin");
    EXPECT_EQ(serverAfterOtherChoice, "db.example");
    EXPECT_EQ(connection.ProviderName(), "PostgreSQL") << "a cancelled login gives the provider back";
}

// The SSL dialog shows the mode of the connection's options, or of the stored login, by the name the
// server's tools give it; a mode it does not know shows as none.
TEST_F(LoginDialogTest, TheSSLDialogShowsTheConnectionsEncryption) {
    struct Case {
        std::optional<std::string> option, storedMode, storedCACert;
        TSSLChoice shown;
    };
    const Case cases[] = {
        {std::nullopt, std::nullopt, std::nullopt, {"disable", ""}},
        {"smPrefer", std::nullopt, std::nullopt, {"prefer", ""}},
        {"smPrefer", "smVerifyFull", "/etc/ca.crt", {"verify-full", "/etc/ca.crt"}},
        {"smPrefer", "VERIFY-CA", std::nullopt, {"verify-ca", ""}},
        {"smPrefer", "sometimes", std::nullopt, {"", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.storedMode.value_or("(none stored)"));
        QTemporaryDir otherDirectory;
        TIniSettingsStore otherStore(otherDirectory.filePath(QStringLiteral("u.ini")).toStdString());
        dialog.SetSettingsStore(&otherStore);
        {
            auto key = otherStore.CreateKey(kLogInfoKey);
            key->WriteString("Username", "admin");
            if (c.storedMode)
                key->WriteString("SSLMode", *c.storedMode);
            if (c.storedCACert)
                key->WriteString("SSLCACert", *c.storedCACert);
        }
        connection.SpecificOptions() = {"PostgreSQL.Schema=trevix"};
        if (c.option)
            connection.SetSpecificOption("SSLMode", *c.option);
        std::optional<TSSLChoice> shown;
        std::vector<std::string> modes;
        std::string caption;
        user = [&](TScriptedConnectForm& form) {
            form.ChooseSSL(std::nullopt);
            shown = form.sslShown;
            modes = form.sslModes;
            caption = form.sslTexts.caption;
            form.PressCancel();
        };
        dialog.Execute();
        ASSERT_TRUE(shown.has_value());
        EXPECT_EQ(shown->mode, c.shown.mode);
        EXPECT_EQ(shown->caFile, c.shown.caFile);
        EXPECT_THAT(modes, ElementsAre("disable", "allow", "prefer", "require", "verify-ca", "verify-full"));
        EXPECT_EQ(caption, "SSL-Verbindung");
    }
}

// What the SSL dialog was confirmed with goes into the connection's options at the confirm button and
// shows the next time the dialog opens; a cancelled SSL dialog changes nothing, and a login given up
// gives the connection its options back.
TEST_F(LoginDialogTest, TheChosenEncryptionIsWhatTheConnectUsesUntilTheLoginIsGivenUp) {
    connection.SetSpecificOption("SSLMode", "smPrefer");
    const std::vector<std::string> optionsBefore = connection.SpecificOptions();
    std::vector<std::string> optionsBeforeTheConfirm;
    TPgConnectionOptions usedByTheAttempt;
    std::optional<TSSLChoice> shownAgain;
    user = [&](TScriptedConnectForm& form) {
        form.ChooseSSL(TSSLChoice{"verify-full", "/etc/other.crt"});
        form.ChooseSSL(std::nullopt);
        shownAgain = form.sslShown;
        form.ChooseSSL(TSSLChoice{"verify-ca", "/etc/ca.crt"});
        optionsBeforeTheConfirm = connection.SpecificOptions();
        form.texts[TConnectField::Server] = "127.0.0.1";
        form.texts[TConnectField::Port] = "1"; // nothing listens there
        EXPECT_EQ(form.PressConnect(), TResult::TryAgain);
        usedByTheAttempt = ParsePgConnectionOptions(connection.SpecificOptions());
        form.PressCancel();
    };
    EXPECT_FALSE(dialog.Execute());

    ASSERT_TRUE(shownAgain.has_value());
    EXPECT_EQ(shownAgain->mode, "verify-full");
    EXPECT_EQ(shownAgain->caFile, "/etc/other.crt");
    EXPECT_EQ(optionsBeforeTheConfirm, optionsBefore) << "the choice waits for the confirm button";
    EXPECT_EQ(usedByTheAttempt.SSL.Mode, TPgSSLMode::smVerifyCA);
    EXPECT_EQ(usedByTheAttempt.SSL.CACert, "/etc/ca.crt");
    EXPECT_EQ(usedByTheAttempt.Schema, "trevix");
    EXPECT_EQ(connection.SpecificOptions(), optionsBefore);
    EXPECT_EQ(SettingsFileText(), "");
}

TEST_F(LoginDialogTest, UnknownLoginFormClassIsReportedAndTheConnectionKeepsItsValues) {
    Store(kLogInfoKey, {{"Username", "admin"}});
    connection.SetPassword("secret");
    dialog.SetDialogClass("TNoSuchForm");
    const EDatabaseError error = ExpectFailure<EDatabaseError>([&] { dialog.Execute(); }, "Execute returned");
    EXPECT_STREQ(error.what(), "Login form class TNoSuchForm is not registered");
    EXPECT_EQ(connection.Username(), "NAME");
    EXPECT_EQ(connection.Password(), "secret");
}

} // namespace
