// The Qt login form, offscreen: its layout and tab order, and the keys and boxes of a real showing.
#include "Dabrix/qt/UniConnectForm.h"

#include "Dabrix/LoginDialogFixture.h"
#include "Dabrix/qt/QtMessageBoxService.h"
#include "support/QtTestApplication.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <gmock/gmock.h>

using namespace velmora;
using namespace velmora::test;
using testing::ElementsAre;
using testing::StartsWith;

namespace {

QString NameOf(const QWidget* widget) {
    // An editable combo box keeps the focus in its line edit.
    while (widget != nullptr && widget->objectName().isEmpty())
        widget = widget->parentWidget();
    return widget == nullptr ? QString() : widget->objectName();
}

// Runs the step from the event loop of the modal form that is about to be shown.
void WhenShown(std::function<void(QWidget& form)> step) {
    QTimer::singleShot(0, [step = std::move(step)] {
        QWidget* form = QApplication::activeModalWidget();
        ASSERT_NE(form, nullptr);
        step(*form);
    });
}

class UniConnectFormTest : public LoginDialogTest {
protected:
    UniConnectFormTest() {
        RegisterUniConnectForm();
        dialog.SetDialogClass({});
    }
};

TEST_F(UniConnectFormTest, LayoutAndTabOrderWithTheDatabaseBeforeThePort) {
    TUniConnectForm form;
    EXPECT_EQ(form.size(), QSize(291, 276));
    EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "the form is not resized";
    EXPECT_FALSE(form.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint));
    EXPECT_EQ(QFontInfo(form.font()).family(), "Tahoma");
    EXPECT_EQ(form.font().pixelSize(), 11);
    EXPECT_EQ(Child<QFrame>(form, "Panel").geometry(), QRect(8, 8, 273, 222));

    struct Row {
        const char* field;
        const char* label;
        int top;
        int height;
    };
    for (const Row& row : {Row{"edProvider", "lbProvider", 16, 19}, Row{"edUserName", "lbUsername", 50, 21},
                           Row{"edPassword", "lbPassword", 84, 21}, Row{"edServer", "lbServer", 118, 21},
                           Row{"edPort", "lbPort", 152, 21}, Row{"edDatabase", "lbDatabase", 186, 21}}) {
        SCOPED_TRACE(row.field);
        EXPECT_EQ(Child<QWidget>(form, row.field).geometry(), QRect(111, row.top, 153, row.height));
        const QRect label = Child<QLabel>(form, row.label).geometry();
        EXPECT_EQ(label.left(), 9);
        EXPECT_EQ(label.size(), QSize(100, 13));
        EXPECT_EQ(label.center().y(), QRect(111, row.top, 153, row.height).center().y());
    }
    EXPECT_EQ(Child<QPushButton>(form, "btConnect").geometry(), QRect(52, 242, 89, 25));
    EXPECT_EQ(Child<QPushButton>(form, "btCancel").geometry(), QRect(148, 242, 89, 25));
    // The SSL button sits in the room right of the cancel button, within the form and the panel's width.
    const QRect ssl = Child<QPushButton>(form, "btSSL").geometry();
    EXPECT_EQ(ssl, QRect(245, 242, 36, 25));
    for (const char* other : {"Panel", "btConnect", "btCancel"})
        EXPECT_FALSE(ssl.intersects(Child<QWidget>(form, other).geometry())) << other;
    EXPECT_TRUE(Child<QPushButton>(form, "btConnect").isDefault());
    EXPECT_FALSE(Child<QComboBox>(form, "edProvider").isEditable());
    EXPECT_TRUE(Child<QComboBox>(form, "edServer").isEditable());
    EXPECT_EQ(Child<QComboBox>(form, "edServer").maxVisibleItems(), 10);
    EXPECT_EQ(Child<QComboBox>(form, "edDatabase").maxVisibleItems(), 10);

    QLineEdit& password = Child<QLineEdit>(form, "edPassword");
    EXPECT_EQ(password.echoMode(), QLineEdit::Password);
    EXPECT_EQ(password.style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, &password), '*');

    form.show();
    Child<QWidget>(form, "edProvider").setFocus();
    QStringList order{NameOf(form.focusWidget())};
    for (int step = 0; step < 8; ++step) {
        QTest::keyClick(form.focusWidget(), Qt::Key_Tab);
        order << NameOf(form.focusWidget());
    }
    EXPECT_EQ(order, QStringList({"edProvider", "edUserName", "edPassword", "edServer", "edDatabase",
                                  "edPort", "btConnect", "btCancel", "btSSL"}));
}

// The first showing asks for the password; Enter in a field presses the confirm button, each
// refused attempt shows the error box, and Escape closes the form as cancelled.
TEST_F(UniConnectFormTest, EnterConfirmsAndEscapeCancels) {
    QString focus, caption, shownUser, port, shownProvider;
    WhenShown([&](QWidget& form) {
        focus = NameOf(form.focusWidget());
        caption = form.windowTitle();
        shownUser = Child<QLineEdit>(form, "edUserName").text();
        port = Child<QLineEdit>(form, "edPort").text();
        shownProvider = Child<QComboBox>(form, "edProvider").currentText();
        QTest::keyClicks(&Child<QLineEdit>(form, "edPassword"), "secret");
        Child<QComboBox>(form, "edServer").setEditText("127.0.0.1");
        Child<QLineEdit>(form, "edPort").setText("1"); // nothing listens there
        QTest::keyClick(&Child<QLineEdit>(form, "edPassword"), Qt::Key_Return);
        QTest::keyClick(Child<QComboBox>(form, "edServer").lineEdit(), Qt::Key_Return);
        EXPECT_TRUE(form.isVisible());
        QTest::keyClick(&form, Qt::Key_Escape);
    });

    EXPECT_FALSE(dialog.Execute());

    EXPECT_EQ(focus, "edPassword");
    EXPECT_EQ(caption, "Anmeldung");
    EXPECT_EQ(shownUser, "NAME");
    EXPECT_EQ(port, "0");
    EXPECT_EQ(shownProvider, "PostgreSQL");
    EXPECT_THAT(boxes.Texts(), ElementsAre(StartsWith("Cannot connect to server on host '127.0.0.1':"),
                                           StartsWith("Cannot connect to server on host '127.0.0.1':")));
    EXPECT_EQ(connection.Server(), "localhost");
    EXPECT_EQ(connection.Password(), "");
}

// The real error box over the form, closed from a timer: the port text is reported and the focus
// goes to the port field.
TEST_F(UniConnectFormTest, ConversionErrorInTheQtErrorBox) {
    TQtMessageBoxService qtBoxes;
    dialog.SetMessageBoxes(&qtBoxes);
    QString boxCaption, boxText, focusAfter;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    WhenShown([&](QWidget& form) {
        Child<QLineEdit>(form, "edPort").setText("abc");
        QTimer::singleShot(0, [&] {
            auto* box = dynamic_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            boxCaption = box->windowTitle();
            boxText = box->text();
            icon = box->icon();
            box->button(QMessageBox::Ok)->click();
        });
        Child<QPushButton>(form, "btConnect").click();
        focusAfter = NameOf(form.focusWidget());
        Child<QPushButton>(form, "btCancel").click();
    });

    EXPECT_FALSE(dialog.Execute());

    EXPECT_EQ(boxCaption, "Setup");
    EXPECT_EQ(boxText, QString::fromUtf8("''abc'' ist kein gültiger Integer-Wert."));
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(focusAfter, "edPort");
}

// The SSL button opens the SSL dialog on the connection's mode; the administrator picks verify-ca and
// the CA file in the file dialog, and the next connect attempt uses them. The SSL dialog as a picture
// for the documentation.
TEST_F(UniConnectFormTest, SSLDialogChoosesTheModeAndTheCAFile) {
    connection.SetSpecificOption("SSLMode", "smPrefer");
    const QString caFile = directory.filePath(QStringLiteral("root.crt"));
    std::ofstream(caFile.toStdString()) << "a CA file\n";
    QString caption, shownMode, typedAfterBrowse, shownAgainMode, shownAgainFile;
    QStringList modes;
    TPgConnectionOptions used;
    QImage picture;
    WhenShown([&](QWidget& form) {
        WhenShown([&](QWidget& ssl) {
            caption = ssl.windowTitle();
            auto& mode = Child<QComboBox>(ssl, "cbSSLMode");
            shownMode = mode.currentText();
            for (int i = 0; i < mode.count(); ++i)
                modes << mode.itemText(i);
            mode.setCurrentIndex(mode.findText("verify-ca"));
            WhenShown([&](QWidget& files) {
                auto* fileDialog = dynamic_cast<QFileDialog*>(&files);
                ASSERT_NE(fileDialog, nullptr);
                fileDialog->selectFile(caFile);
                QMetaObject::invokeMethod(fileDialog, "accept"); // the Open button, which is protected
            });
            Child<QPushButton>(ssl, "btBrowse").click();
            typedAfterBrowse = Child<QLineEdit>(ssl, "edSSLCACert").text();
            picture = ssl.grab().toImage();
            QTest::keyClick(&ssl, Qt::Key_Return);
        });
        Child<QPushButton>(form, "btSSL").click();

        WhenShown([&](QWidget& ssl) {
            shownAgainMode = Child<QComboBox>(ssl, "cbSSLMode").currentText();
            shownAgainFile = Child<QLineEdit>(ssl, "edSSLCACert").text();
            QTest::keyClick(&ssl, Qt::Key_Escape);
        });
        Child<QPushButton>(form, "btSSL").click();

        Child<QComboBox>(form, "edServer").setEditText("127.0.0.1");
        Child<QLineEdit>(form, "edPort").setText("1"); // nothing listens there
        Child<QPushButton>(form, "btConnect").click();
        used = ParsePgConnectionOptions(connection.SpecificOptions());
        QTest::keyClick(&form, Qt::Key_Escape);
    });
    EXPECT_FALSE(dialog.Execute());

    EXPECT_EQ(caption, "SSL-Verbindung");
    EXPECT_EQ(shownMode, "prefer");
    EXPECT_EQ(modes, QStringList({"disable", "allow", "prefer", "require", "verify-ca", "verify-full"}));
    EXPECT_EQ(typedAfterBrowse, caFile);
    EXPECT_EQ(shownAgainMode, "verify-ca");
    EXPECT_EQ(shownAgainFile, caFile);
    EXPECT_EQ(used.SSL.Mode, TPgSSLMode::smVerifyCA);
    EXPECT_EQ(used.SSL.CACert, caFile.toStdString());
    QDir().mkpath(QStringLiteral(VELMORA_SCREENSHOT_DIR));
    EXPECT_TRUE(picture.save(QStringLiteral(VELMORA_SCREENSHOT_DIR "/ssl-dialog.png")));
}

// The server drop-down shows the history and keeps what was typed; the form as a picture for the
// documentation.
TEST_F(UniConnectFormTest, ServerDropDownAndPicture) {
    Store(kHistoryKey, {{"ServerC1 1", "db.example"}, {"ServerC1 2", "localhost"}});
    QStringList servers;
    QString typed;
    QImage picture;
    WhenShown([&](QWidget& form) {
        auto& server = Child<QComboBox>(form, "edServer");
        server.setEditText("typed.example");
        server.showPopup();
        for (int i = 0; i < server.count(); ++i)
            servers << server.itemText(i);
        typed = server.currentText();
        server.hidePopup();
        server.setEditText("localhost");
        QTest::keyClicks(&Child<QLineEdit>(form, "edPassword"), "geheim");
        picture = form.grab().toImage();
        QTest::keyClick(&form, Qt::Key_Escape);
    });
    dialog.Execute();

    EXPECT_EQ(servers, QStringList({"db.example", "localhost"}));
    EXPECT_EQ(typed, "typed.example");
    EXPECT_EQ(picture.size() / picture.devicePixelRatio(), QSize(291, 276));
    QDir().mkpath(QStringLiteral(VELMORA_SCREENSHOT_DIR));
    EXPECT_TRUE(picture.save(QStringLiteral(VELMORA_SCREENSHOT_DIR "/login-form.png")));
}

} // namespace
