// The setup program: one window in which a tenant is installed.

#include "Dabrix/IniSettingsStore.h"
#include "Dabrix/QtMessageBoxService.h"
#include "Dabrix/UniConnectForm.h"
#include "Setup/ApplicationErrorBox.h"
#include "Setup/UnitInstallation.h"

#include <QApplication>

using namespace velmora;

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const std::string title = ApplicationTitle(QCoreApplication::applicationFilePath().toStdString());

    TQtMessageBoxService messageBoxes;
    TIniSettingsStore settings(TIniSettingsStore::UserFilePath());
    TApplicationErrorBox errorBox(messageBoxes, title);
    RegisterUniConnectForm();

    TFormSetup FormSetup(messageBoxes, settings, title);
    FormSetup.show();
    return QApplication::exec();
}
