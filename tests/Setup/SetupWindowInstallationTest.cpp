// A whole installation clicked through the setup window against the sandbox server: the login form,
// the progress bar counting in steps of five, the boxes, the tenant row as typed, and further runs
// in the same window that ask before the tenant is replaced.
#include "Setup/SetupWindowFixture.h"
#include "Setup/TenantInput.h"
#include "schema/TenantDatabase.h"
#include "support/Sandbox.h"

#include <QCheckBox>
#include <QLabel>
#include <gmock/gmock.h>
#include <unistd.h>

using namespace velmora;
using namespace velmora::test;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::StartsWith;

namespace {

// A tenant code of this process: W and three base-36 digits of the process id.
std::string UniqueTenantCode() {
    const char* digits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string code = "W";
    for (long rest = getpid(); code.size() < 4; rest /= 36)
        code += digits[rest % 36];
    return code;
}

std::vector<int> StepsOfFive() {
    std::vector<int> values;
    for (int v = 5; v <= 100; v += 5)
        values.push_back(v);
    return values;
}

class SetupWindowInstallationTest : public SetupWindowTest {
protected:
    ~SetupWindowInstallationTest() override {
        // The window's connections are still open; the drop ends them.
        RemoveTheTenant();
    }

    void RemoveTheTenant() {
        DropDatabase(tenant);
        psql("postgres", {"-c", "DROP ROLE IF EXISTS " + tenant});
    }

    // The server holds no tenant of this code; the user types the code, the password twice and the
    // master data.
    void TypeANewTenant() {
        RemoveTheTenant();
        Type("EditMandant", QString::fromStdString(tenant));
        Type("EditPasswort1", QString::fromStdString(password));
        Type("EditPasswort2", QString::fromStdString(password));
        TypeMasterData();
    }

    // The user logs on to the sandbox in every login form shown, after a first step; as its
    // superuser unless another role is named.
    void LogOnToTheSandbox(
        std::function<void(QWidget& form)> first = [](QWidget&) {}, const std::string& user = sandbox().user,
        const std::string& userPassword = sandbox().password) {
        OnEachLoginForm([this, first, user, userPassword](QWidget& form) {
            first(form);
            serverShown.push_back(Child<QComboBox>(form, "edServer").currentText().toStdString());
            Child<QLineEdit>(form, "edUserName").setText(QString::fromStdString(user));
            Child<QComboBox>(form, "edServer").setEditText(QString::fromStdString(sandbox().host));
            Child<QLineEdit>(form, "edPort").setText(QString::fromStdString(sandbox().port));
            Child<QComboBox>(form, "edDatabase").setEditText("postgres");
            QTest::keyClicks(&Child<QLineEdit>(form, "edPassword"), QString::fromStdString(userPassword));
            QTest::mouseClick(&Child<QPushButton>(form, "btConnect"), Qt::LeftButton);
        });
    }

    // What the server shows of the window's sessions as the tenant role, one value of the column of
    // pg_stat_ssl s or pg_stat_activity a for each.
    std::string TenantSessions(const std::string& column) const {
        const PsqlResult result =
            psql("postgres", {"-c", "SELECT string_agg(" + column +
                                        "::text, ',') FROM pg_stat_ssl s JOIN pg_stat_activity a "
                                        "USING (pid) WHERE a.usename = '" +
                                        tenant + "'"});
        return result.out.substr(0, result.out.find_last_not_of('\n') + 1);
    }

    std::string Tenant(const std::string& sql) const {
        const PsqlResult result = psql(tenant, {"-v", "ON_ERROR_STOP=1", "-c", sql});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return result.out.substr(0, result.out.find_last_not_of('\n') + 1);
    }

    ApplicationRoles roles;
    const std::string code = UniqueTenantCode();
    const std::string tenant = LowerTenantCode(code);
    const std::string password = "Geh'eim#1";
    std::vector<std::string> serverShown; // the server field as each login form came up
};

TEST_F(SetupWindowInstallationTest, InstallsTheTenantAsTypedAndReplacesItOnlyAfterYes) {
    TypeANewTenant();
    ASSERT_TRUE(Button().isEnabled());
    LogOnToTheSandbox();
    QApplication::processEvents();
    PaintRecorder recorder(Progress());

    QTest::mouseClick(&Button(), Qt::LeftButton);

    EXPECT_EQ(loginShowings, 1);
    std::vector<int> paintedWhileRunning;
    for (int percentage : recorder.painted) {
        if (percentage != 0) // the login form's own event loop may repaint the bar at 0
            paintedWhileRunning.push_back(percentage);
    }
    EXPECT_EQ(paintedWhileRunning, StepsOfFive());
    // A new server has no tenant to drop, which is no error: the final message is the only box.
    EXPECT_THAT(boxes.Texts(),
                ElementsAre("Die Datenbank " + tenant + " wurde erfolgreich installiert\nMandantenrolle " +
                            tenant + ": Superuser\nProtokoll: " + stateHome.logFile()));
    EXPECT_EQ(boxes.shown[0].kind, TMessageBoxKind::Information);
    EXPECT_EQ(boxes.shown[0].caption, "Informationen");
    EXPECT_EQ(Tenant("SELECT mandant, lizenznehmer, password, plz, ort, strasse FROM trevix.mandant"),
              code + "|Muster Bau GmbH|" + password + "|50667|Köln|Hohe Straße 12");
    EXPECT_EQ(Tenant("SELECT count(*) FROM pg_tables WHERE schemaname = 'trevix'"), "68");
    EXPECT_EQ(TenantSessions("s.ssl"), "true") << "the window prefers TLS, which the sandbox offers";
    EXPECT_EQ(TenantSessions("a.application_name"), "velmora-setup");
    Tenant("CREATE TABLE public.kept ()");

    // Pressed again while the window stays open: the question, "Nein", and nothing changes.
    boxes.shown.clear();
    QTest::mouseClick(&Button(), Qt::LeftButton);

    EXPECT_EQ(loginShowings, 2);
    EXPECT_EQ(serverShown, (std::vector<std::string>{"localhost", sandbox().host}))
        << "the second login form shows the server stored after the first";
    ASSERT_EQ(boxes.shown.size(), 1u) << testing::PrintToString(boxes.Texts());
    EXPECT_EQ(boxes.shown[0].kind, TMessageBoxKind::Question);
    EXPECT_EQ(boxes.shown[0].caption, "Bestätigung");
    EXPECT_THAT(boxes.shown[0].text, StartsWith("Die Datenbank " + tenant + " ist bereits installiert."));
    EXPECT_EQ(Progress().Position(), 0);
    EXPECT_EQ(Tenant("SELECT count(*) FROM pg_tables WHERE tablename = 'kept'"), "1");

    // And once more with "Ja": the tenant is installed anew.
    boxes.shown.clear();
    boxes.answer = true;
    QTest::mouseClick(&Button(), Qt::LeftButton);

    ASSERT_EQ(boxes.shown.size(), 2u) << testing::PrintToString(boxes.Texts());
    EXPECT_EQ(boxes.shown[1].kind, TMessageBoxKind::Information);
    EXPECT_THAT(boxes.shown[1].text,
                StartsWith("Die Datenbank " + tenant + " wurde erfolgreich installiert"));
    EXPECT_EQ(Progress().Position(), 100);
    EXPECT_EQ(Tenant("SELECT count(*) FROM pg_tables WHERE tablename = 'kept'"), "0");
    EXPECT_TRUE(Button().isEnabled());
    Type("EditMandant", "x");
    EXPECT_EQ(Field("EditMandant").text(), QString::fromStdString(code + "X")) << "the window takes input";
}

// The administrator turns TLS off in the login form's SSL dialog, and the tenant connection follows
// the choice although the sandbox offers TLS.
TEST_F(SetupWindowInstallationTest, TheTenantConnectionIsEncryptedAsChosenInTheLoginForm) {
    TypeANewTenant();
    LogOnToTheSandbox([](QWidget& form) {
        QTimer::singleShot(0, [] {
            QWidget* ssl = QApplication::activeModalWidget();
            ASSERT_NE(ssl, nullptr);
            auto& mode = Child<QComboBox>(*ssl, "cbSSLMode");
            mode.setCurrentIndex(mode.findText("disable"));
            Child<QPushButton>(*ssl, "btOk").click();
        });
        Child<QPushButton>(form, "btSSL").click();
    });

    QTest::mouseClick(&Button(), Qt::LeftButton);

    ASSERT_EQ(boxes.shown.size(), 1u) << testing::PrintToString(boxes.Texts());
    EXPECT_EQ(boxes.shown[0].kind, TMessageBoxKind::Information);
    EXPECT_EQ(TenantSessions("s.ssl"), "false");
    const auto stored = settings.OpenKeyForReading("\\SOFTWARE\\Vorlaxe\\Dabrix\\Connect\\Setup");
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->ReadString("SSLMode"), "smDisable");
}

// An administrator without superuser rights, as managed services set theirs up: after the login the
// box is checked and locked with the reason beneath, and the tenant role is made without them.
TEST_F(SetupWindowInstallationTest, AnAdministratorWithoutSuperuserRightsGetsAnIsolatedTenant) {
    const std::string admin = uniqueName("admin");
    psql("postgres", {"-c", "CREATE ROLE " + admin + " LOGIN CREATEDB CREATEROLE PASSWORD 'Verwalter-1'"});
    TypeANewTenant();
    auto& box = Child<QCheckBox>(window, "CheckIsolatedTenant");
    ASSERT_FALSE(box.isChecked());
    LogOnToTheSandbox([](QWidget&) {}, admin, "Verwalter-1");

    QTest::mouseClick(&Button(), Qt::LeftButton);
    RemoveTheTenant();
    psql("postgres", {"-c", "DROP ROLE " + admin});

    ASSERT_EQ(boxes.shown.size(), 1u) << testing::PrintToString(boxes.Texts());
    EXPECT_EQ(boxes.shown[0].kind, TMessageBoxKind::Information);
    EXPECT_THAT(boxes.shown[0].text, HasSubstr("\nMandantenrolle " + tenant +
                                               ": ohne Superuser-Rechte, nur für die eigene Datenbank\n"));
    EXPECT_TRUE(box.isChecked());
    EXPECT_FALSE(box.isEnabled());
    EXPECT_EQ(
        Child<QLabel>(window, "LabelIsolatedTenant").text(),
        "Der angemeldete Benutzer ist kein Superuser: der Mandant wird ohne Superuser-Rechte angelegt.");
}

// The superuser asks for an isolated tenant with the box.
TEST_F(SetupWindowInstallationTest, TheCheckedBoxMakesTheTenantWithoutSuperuserRights) {
    TypeANewTenant();
    QTest::mouseClick(&Child<QCheckBox>(window, "CheckIsolatedTenant"), Qt::LeftButton, {}, QPoint(5, 8));
    LogOnToTheSandbox();

    QTest::mouseClick(&Button(), Qt::LeftButton);

    ASSERT_EQ(boxes.shown.size(), 1u) << testing::PrintToString(boxes.Texts());
    EXPECT_EQ(
        psql("postgres", {"-c", "SELECT rolsuper, rolcreatedb, rolcreaterole, rolreplication FROM pg_roles "
                                "WHERE rolname = '" +
                                    tenant + "'"})
            .out,
        "f|f|f|f\n");
    EXPECT_TRUE(Child<QCheckBox>(window, "CheckIsolatedTenant").isEnabled());
}

} // namespace
