#pragma once

#include "Dabrix/RecordingMessageBoxes.h"
#include "Dabrix/qt/IniSettingsStore.h"
#include "Dabrix/qt/UniConnectForm.h"
#include "Setup/window/ApplicationErrorBox.h"
#include "Setup/window/UnitInstallation.h"
#include "Setup/window/XelqProgress.h"
#include "support/QtTestApplication.h"
#include "support/StateHome.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace velmora::test {

// Records the percentage of every picture the bar paints.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(TXelqProgress& bar) : bar_(bar) { bar.installEventFilter(this); }
    std::vector<int> painted;

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted.push_back(bar_.Position());
        return false;
    }

private:
    TXelqProgress& bar_;
};

// The setup window as the program shows it, with recorded message boxes, the application's error
// box and a settings store in a temporary directory.
class SetupWindowTest : public testing::Test {
protected:
    SetupWindowTest() { RegisterUniConnectForm(); }

    void SetUp() override {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    QLineEdit& Field(const char* name) { return Child<QLineEdit>(window, name); }
    QPushButton& Button() { return Child<QPushButton>(window, "Button1"); }
    TXelqProgress& Progress() { return Child<TXelqProgress>(window, "XelqProgress1"); }

    // The user types into the field, after clicking into it.
    void Type(const char* name, const QString& text) {
        QLineEdit& field = Field(name);
        QTest::mouseClick(&field, Qt::LeftButton);
        QTest::keyClicks(&field, text);
    }

    // The user fills in the master data: Muster Bau GmbH, 50667 Köln, Hohe Straße 12. The words with
    // an umlaut or ß are set after their first letter is typed.
    void TypeMasterData() {
        Type("EditLizenznehmer", "Muster Bau GmbH");
        Type("EditPLZ", "50667");
        Type("EditOrt", "K");
        Field("EditOrt").setText("Köln");
        Type("EditStrasse", "H");
        Field("EditStrasse").setText("Hohe Straße 12");
    }

    // Runs whenever a login form is shown, from the form's own event loop.
    void OnEachLoginForm(std::function<void(QWidget& form)> user) {
        loginUser_ = std::move(user);
        loginWatch_.setInterval(10);
        QObject::connect(&loginWatch_, &QTimer::timeout, [this] {
            QWidget* form = QApplication::activeModalWidget();
            if (form == nullptr || form->objectName() != "UniConnectForm" || form->property("seen").toBool())
                return;
            form->setProperty("seen", true);
            ++loginShowings;
            loginUser_(*form);
        });
        loginWatch_.start();
    }

    StateHome stateHome; // first: the window's installation finds its log folder at construction
    QTemporaryDir settingsDir;
    TIniSettingsStore settings{settingsDir.filePath(QStringLiteral("settings.ini")).toStdString()};
    TRecordingMessageBoxes boxes;
    TApplicationErrorBox errorBox{boxes, "Setup"};
    TFormSetup window{boxes, settings, "Setup"};
    int loginShowings = 0;

private:
    std::function<void(QWidget&)> loginUser_;
    QTimer loginWatch_;
};

} // namespace velmora::test
