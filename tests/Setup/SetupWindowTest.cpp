// The setup window offscreen: its fields, the password check that enables the button, the progress
// bar's painting, the application's error box and a login given up.
#include "Common/Exceptions.h"
#include "Dabrix/qt/QtMessageBoxService.h"
#include "Setup/SetupWindowFixture.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFontInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <gmock/gmock.h>

using namespace velmora;
using namespace velmora::test;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

TEST_F(SetupWindowTest, StartsWithEmptyFieldsTheButtonDisabledAndTheFocusInTheTenantCode) {
    EXPECT_EQ(window.windowTitle(), "Setup Velmora2017");
    EXPECT_EQ(window.size(), QSize(654, 379));
    for (const char* name : {"EditMandant", "EditPasswort1", "EditPasswort2"})
        EXPECT_TRUE(Field(name).text().isEmpty()) << name;
    EXPECT_FALSE(Button().isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), &Field("EditMandant"));
    EXPECT_EQ(Progress().Position(), 0);
}

TEST_F(SetupWindowTest, ControlsStandWhereTheLayoutPutsThemAndTabInTheirOrder) {
    struct Place {
        const char* name;
        QRect geometry;
        QString text;
    };
    const Place places[] = {
        {"Label1", {94, 55, 49, 13}, "Mandant: "},
        {"Label2", {95, 79, 48, 13}, "Passwort:"},
        {"Label3", {95, 103, 113, 13}, "Wiederholung Passwort"},
        {"EditMandant", {234, 52, 121, 21}, {}},
        {"EditPasswort1", {234, 73, 121, 21}, {}},
        {"EditPasswort2", {234, 100, 121, 21}, {}},
        {"Button1", {95, 140, 75, 25}, "Installation"},
        {"CheckIsolatedTenant", {400, 152, 230, 17}, "Mandant ohne Superuser-Rechte"},
        {"XelqProgress1", {0, 359, 654, 20}, {}},
    };
    for (const Place& place : places) {
        const QWidget& control = Child<QWidget>(window, place.name);
        EXPECT_EQ(control.geometry(), place.geometry) << place.name;
        if (const auto* label = qobject_cast<const QLabel*>(&control)) {
            EXPECT_EQ(label->text(), place.text) << place.name;
        }
        if (const auto* button = qobject_cast<const QAbstractButton*>(&control)) {
            EXPECT_EQ(button->text(), place.text) << place.name;
        }
    }

    Button().setEnabled(true);
    QStringList order;
    for (QWidget* focus = &Field("EditMandant"); order.size() < 9; focus = focus->nextInFocusChain()) {
        if (focus->focusPolicy() & Qt::TabFocus)
            order << focus->objectName();
    }
    EXPECT_EQ(order, QStringList({"EditMandant", "EditPasswort1", "EditPasswort2", "EditLizenznehmer",
                                  "EditPLZ", "EditOrt", "EditStrasse", "CheckIsolatedTenant", "Button1"}));
}

// The user's choice of the tenant role's kind, until an administrator without superuser rights
// logs on: then the box is checked and locked with the reason beneath, and a superuser's later
// login gives the user's own choice back.
TEST_F(SetupWindowTest, TheIsolatedTenantBoxIsTheUsersChoiceUnlessTheAdministratorLeavesNone) {
    auto& box = Child<QCheckBox>(window, "CheckIsolatedTenant");
    auto& reason = Child<QLabel>(window, "LabelIsolatedTenant");
    EXPECT_FALSE(box.isChecked());
    EXPECT_FALSE(window.IsolatedTenantRequested());
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(5, box.height() / 2));
    EXPECT_TRUE(window.IsolatedTenantRequested());
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(5, box.height() / 2));
    EXPECT_FALSE(window.IsolatedTenantRequested());

    window.SetIsolatedTenantForced("Der angemeldete Benutzer ist kein Superuser");
    EXPECT_TRUE(box.isChecked());
    EXPECT_FALSE(box.isEnabled());
    EXPECT_TRUE(reason.isVisible());
    EXPECT_EQ(reason.text(), "Der angemeldete Benutzer ist kein Superuser.");
    EXPECT_TRUE(window.IsolatedTenantRequested());
    window.SetIsolatedTenantForced("Der angemeldete Benutzer ist kein Superuser");
    window.SetIsolatedTenantForced(std::nullopt);
    EXPECT_FALSE(box.isChecked()) << "the user's own choice, also after two locks in a row";
    EXPECT_TRUE(box.isEnabled());
    EXPECT_FALSE(reason.isVisible());
    window.SetIsolatedTenantForced(std::nullopt);
    EXPECT_FALSE(box.isChecked());
}

TEST_F(SetupWindowTest, TheBarKeepsToTheBottomEdgeWhenTheWindowGrows) {
    window.resize(800, 500);
    EXPECT_EQ(Progress().geometry(), QRect(0, 480, 800, 20));
    EXPECT_EQ(Field("EditMandant").geometry(), QRect(234, 52, 121, 21));
}

TEST_F(SetupWindowTest, TheTenantCodeBecomesUpperCaseWhenTypedAndWhenPasted) {
    Type("EditMandant", "ab1c");
    EXPECT_EQ(Field("EditMandant").text(), "AB1C");

    // Only a to z change, by the rule the command line follows too: "ä" and "ß" stay for the check
    // to refuse.
    QApplication::clipboard()->setText("xyäß");
    QTest::keyClick(&Field("EditMandant"), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Field("EditMandant").text(), "AB1CXYäß");
    EXPECT_EQ(window.TenantCode(), "AB1CXYäß");
}

TEST_F(SetupWindowTest, PasswordFieldsShowHashes) {
    Type("EditPasswort1", "geheim");
    QLineEdit& field = Field("EditPasswort1");
    EXPECT_EQ(field.echoMode(), QLineEdit::Password);
    EXPECT_EQ(field.style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, &field), '#');
    EXPECT_EQ(Field("EditPasswort2")
                  .style()
                  ->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, &Field("EditPasswort2")),
              '#');
    EXPECT_EQ(window.TenantPassword(), "geheim");
}

TEST_F(SetupWindowTest, LeavingTheSecondPasswordEnablesTheButtonExactlyWhenBothAreEqual) {
    struct Case {
        QString first, second;
        bool warned;
    };
    for (const Case& c : {Case{"Ab", "ab", true}, Case{"Ab", "Ab", false}, Case{"", "", false},
                          Case{"geheim", "", true}, Case{"ä#'x", "ä#'x", false}}) {
        SCOPED_TRACE(c.first.toStdString() + " / " + c.second.toStdString());
        boxes.shown.clear();
        Field("EditPasswort1").setText(c.first);
        Field("EditPasswort2").setText(c.second);
        Field("EditPasswort2").setFocus(Qt::MouseFocusReason);

        QTest::keyClick(&Field("EditPasswort2"), Qt::Key_Tab);

        EXPECT_NE(QApplication::focusWidget(), &Field("EditPasswort2"));
        EXPECT_EQ(Button().isEnabled(), !c.warned);
        if (c.warned) {
            ASSERT_EQ(boxes.shown.size(), 1u);
            EXPECT_EQ(boxes.shown[0].kind, TMessageBoxKind::Warning);
            EXPECT_EQ(boxes.shown[0].caption, "Warnung");
            EXPECT_EQ(boxes.shown[0].text, "Die Passwörter stimmen nicht überein");
        } else {
            EXPECT_THAT(boxes.shown, IsEmpty());
        }
    }
}

TEST_F(SetupWindowTest, OnlyLeavingTheSecondPasswordForAnotherControlChangesTheButton) {
    Type("EditPasswort1", "Ab");
    Type("EditPasswort2", "Ab");
    QTest::mouseClick(&Field("EditMandant"), Qt::LeftButton);
    ASSERT_TRUE(Button().isEnabled());

    // Editing the first password does not disable the button by itself.
    Type("EditPasswort1", "x");
    EXPECT_TRUE(Button().isEnabled());

    // Another window taking the activation leaves the field where it is.
    Field("EditPasswort2").setFocus(Qt::MouseFocusReason);
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_THAT(boxes.shown, IsEmpty());
    EXPECT_TRUE(Button().isEnabled());

    // Back in the window, a click elsewhere leaves it.
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::mouseClick(&Field("EditOrt"), Qt::LeftButton);
    EXPECT_THAT(boxes.Texts(), ElementsAre("Die Passwörter stimmen nicht überein"));
    EXPECT_FALSE(Button().isEnabled());
}

TEST_F(SetupWindowTest, TheBarPaintsAtOnceOnlyWhenThePercentageMovedByFiveOrReachedAnEnd) {
    QApplication::processEvents(); // the first showing's paint
    PaintRecorder recorder(Progress());
    struct Step {
        int value;
        std::vector<int> paintedSoFar;
    };
    const Step steps[] = {
        {3, {}},
        {5, {5}},
        {0, {5, 0}},
        {4, {5, 0}},
        {98, {5, 0, 98}},
        {99, {5, 0, 98}},
        {100, {5, 0, 98, 100}},
        {250, {5, 0, 98, 100}},
        {-7, {5, 0, 98, 100, 0}},
    };
    for (const Step& step : steps) {
        window.SetProgress(step.value);
        EXPECT_EQ(recorder.painted, step.paintedSoFar) << "after " << step.value;
    }
    EXPECT_EQ(Progress().Position(), 0) << "values outside the range are clamped";

    // An ordinary repaint draws what the bar holds, also what it did not paint at once.
    window.SetProgress(3);
    EXPECT_EQ(Progress().PaintedPercentage(), 0);
    Progress().update();
    QApplication::processEvents();
    EXPECT_EQ(Progress().PaintedPercentage(), 3);
}

TEST_F(SetupWindowTest, TheBarShowsThePercentageAsCentredText) {
    window.SetProgress(50);
    const QImage picture = Progress().grab().toImage();
    // The left half is filled, the right half is not: the colours at a quarter and at three
    // quarters of the width differ, away from the text in the middle.
    const int y = picture.height() / 2;
    EXPECT_NE(picture.pixel(picture.width() / 4, y), picture.pixel(picture.width() * 3 / 4, y));
}

TEST(ApplicationTitleTest, IsTheFileNameCutAtItsFirstDotWithTheRestOfItInLowerCase) {
    EXPECT_EQ(ApplicationTitle("C:/Programme/SETUP.EXE"), "Setup");
    EXPECT_EQ(ApplicationTitle("/usr/local/bin/Setup"), "Setup");
    EXPECT_EQ(ApplicationTitle("/opt/velmora/setup.tar.gz"), "setup");
    EXPECT_EQ(ApplicationTitle("ÄRGER.BIN"), "Ärger");
    EXPECT_EQ(ApplicationTitle("/opt/.hidden"), "");
}

TEST_F(SetupWindowTest, TheErrorBoxShowsTheInnermostMessageWithAFullStopUnderTheApplicationTitle) {
    struct Case {
        std::string message, shown;
    };
    for (const Case& c :
         {Case{"column \"x\"", "column \"x\""},
          Case{"Connection is not defined", "Connection is not defined."}, Case{"Zeile 3.", "Zeile 3."},
          Case{"Fehler!", "Fehler!"}, Case{"Größe", "Größe."}, Case{"", ""}}) {
        boxes.shown.clear();
        HandleApplicationException(EDatabaseError(c.message));
        ASSERT_EQ(boxes.shown.size(), 1u) << c.message;
        EXPECT_EQ(boxes.shown[0].kind, TMessageBoxKind::Error);
        EXPECT_EQ(boxes.shown[0].caption, "Setup");
        EXPECT_EQ(boxes.shown[0].text, c.shown);
    }

    boxes.shown.clear();
    const auto inner = std::make_exception_ptr(EDatabaseError("server closed the connection"));
    HandleApplicationException(EDatabaseError("outer", inner));
    EXPECT_THAT(boxes.Texts(), ElementsAre("server closed the connection."));

    boxes.shown.clear();
    HandleApplicationException(EAbort());
    EXPECT_THAT(boxes.shown, IsEmpty());
}

TEST_F(SetupWindowTest, TheErrorBoxGivesBackTheHandlerItReplaced) {
    {
        TApplicationErrorBox inner(boxes, "Inner");
        HandleApplicationException(EDatabaseError("a"));
    }
    HandleApplicationException(EDatabaseError("b"));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].caption, "Inner");
    EXPECT_EQ(boxes.shown[1].caption, "Setup");
}

// The program's own boxes, closed from a timer: the error box names the build's version under the
// message; warnings and information boxes show only their text.
TEST_F(SetupWindowTest, TheQtErrorBoxNamesTheVersionUnderTheMessage) {
    struct Seen {
        QString caption, text, footnote;
    };
    std::vector<Seen> seen;
    const auto closeNextBox = [&seen] {
        QTimer::singleShot(0, [&seen] {
            auto* box = dynamic_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seen.push_back({box->windowTitle(), box->text(), box->informativeText()});
            box->button(QMessageBox::Ok)->click();
        });
    };
    TQtMessageBoxService qtBoxes(ErrorBoxFootnote());
    TApplicationErrorBox qtErrorBox(qtBoxes, "Setup");

    closeNextBox();
    HandleApplicationException(EDatabaseError("Relation existiert bereits"));
    closeNextBox();
    qtBoxes.Show(TMessageBoxKind::Warning, "Warnung", "Wertliste nicht installiert");

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].caption, "Setup");
    EXPECT_EQ(seen[0].text, "Relation existiert bereits.");
    EXPECT_EQ(seen[0].footnote, "Version " VELMORA_PROJECT_VERSION);
    EXPECT_EQ(seen[1].text, "Wertliste nicht installiert");
    EXPECT_EQ(seen[1].footnote, "");
}

// The question before a tenant is replaced: "Ja" and "Nein", and Enter presses "Nein".
TEST_F(SetupWindowTest, TheQtQuestionBoxDefaultsToNo) {
    TQtMessageBoxService qtBoxes;
    QStringList buttons;
    const auto answerNextBox = [&buttons](bool pressYes) {
        QTimer::singleShot(0, [&buttons, pressYes] {
            auto* box = dynamic_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            buttons.clear();
            for (QAbstractButton* button : box->buttons())
                buttons << button->text();
            if (pressYes)
                box->buttons().at(buttons.indexOf("Ja"))->click();
            else
                QTest::keyClick(box, Qt::Key_Return);
        });
    };
    answerNextBox(false);
    EXPECT_FALSE(qtBoxes.Ask("Bestätigung", "Ersetzen?"));
    buttons.sort();
    EXPECT_EQ(buttons, QStringList({"Ja", "Nein"}));
    answerNextBox(true);
    EXPECT_TRUE(qtBoxes.Ask("Bestätigung", "Ersetzen?"));
}

TEST_F(SetupWindowTest, ALoginGivenUpTwiceEndsTheRunSilentlyBeforeAnythingChanges) {
    Type("EditMandant", "ab12");
    Type("EditPasswort1", "geheim");
    Type("EditPasswort2", "geheim");
    TypeMasterData();
    QTest::keyClick(&Field("EditPasswort2"), Qt::Key_Tab);
    ASSERT_TRUE(Button().isEnabled());
    OnEachLoginForm([](QWidget& form) { QTest::keyClick(&form, Qt::Key_Escape); });

    QTest::mouseClick(&Button(), Qt::LeftButton);

    EXPECT_EQ(loginShowings, 2) << "the run and the check whether the tenant exists each ask once";
    EXPECT_THAT(boxes.shown, IsEmpty());
    EXPECT_EQ(Progress().Position(), 0);
    EXPECT_TRUE(Button().isEnabled());
    EXPECT_EQ(Field("EditMandant").text(), "AB12");
}

TEST_F(SetupWindowTest, RendersTheScreenshot) {
    EXPECT_EQ(QFontInfo(window.font()).family(), "Tahoma");
    EXPECT_EQ(QFontInfo(window.font()).pixelSize(), 11);
    Type("EditMandant", "ab12");
    Type("EditPasswort1", "geheim");
    Type("EditPasswort2", "geheim");
    TypeMasterData();
    window.SetProgress(45);

    const QImage picture = window.grab().toImage();

    EXPECT_EQ(picture.size() / picture.devicePixelRatio(), QSize(654, 379));
    EXPECT_TRUE(Button().isEnabled()) << "leaving the second password field enabled the button";
    QDir().mkpath(QStringLiteral(VELMORA_SCREENSHOT_DIR));
    EXPECT_TRUE(picture.save(QStringLiteral(VELMORA_SCREENSHOT_DIR "/setup-window.png")));
}

} // namespace
