// The setup program: one window in which a tenant is installed.

#include "Dabrix/qt/IniSettingsStore.h"
#include "Dabrix/qt/QtMessageBoxService.h"
#include "Dabrix/qt/UniConnectForm.h"
#include "Setup/window/ApplicationErrorBox.h"
#include "Setup/window/UnitInstallation.h"
#include "velmora/Version.h"

#include <QApplication>
#include <algorithm>
#include <iostream>
#include <string_view>

using namespace velmora;

int main(int argc, char** argv) {
    // Answered before the application starts, so that it needs no display.
    if (std::find(argv + 1, argv + argc, std::string_view("--version")) != argv + argc) {
        std::cout << "velmora-setup " << kVelmoraVersion << std::endl;
        return 0;
    }
    QApplication application(argc, argv);
    const std::string title = ApplicationTitle(QCoreApplication::applicationFilePath().toStdString());

    TQtMessageBoxService messageBoxes(ErrorBoxFootnote());
    TIniSettingsStore settings(TIniSettingsStore::UserFilePath());
    TApplicationErrorBox errorBox(messageBoxes, title);
    RegisterUniConnectForm();

    TFormSetup FormSetup(messageBoxes, settings, title);
    FormSetup.show();
    return QApplication::exec();
}
