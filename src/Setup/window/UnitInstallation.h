#pragma once

#include "Dabrix/MessageBoxService.h"
#include "Dabrix/SettingsStore.h"
#include "Dabrix/UniConnectDialog.h"
#include "Setup/Installation.h"
#include "Setup/InstallerHost.h"

#include <QWidget>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace velmora {

class TXelqProgress;

// The setup window: the tenant code, its password twice, the tenant's master data and the kind of
// its role, the button that installs the tenant and the progress bar along the bottom edge. It owns
// the login dialog and the installation with all its components, and is the installation's host:
// the installation reads the fields and shows its progress and messages here.
//
// The controls carry their names as object names (EditMandant, EditPasswort1, Button1, ...).
class TFormSetup final : public QWidget, public TInstallerHost {
public:
    // messageBoxes shows the warnings and information boxes and the login dialog's error boxes;
    // settings keeps the last login. Both must outlive the window. The application title names the
    // program's entry in the settings store and captions the login dialog's error boxes.
    TFormSetup(TMessageBoxService& messageBoxes, TSettingsStore& settings,
               const std::string& applicationTitle, QWidget* parent = nullptr);
    ~TFormSetup() override;

    std::string TenantCode() const override;
    std::string TenantPassword() const override;
    TTenantMasterData MasterData() const override;
    void SetProgress(int value) override;
    void ShowWarning(const std::string& text) override;
    void ShowInformation(const std::string& text) override;
    bool Confirm(const std::string& question) override;
    // The box "Mandant ohne Superuser-Rechte"; an administrator without superuser rights checks it
    // and locks it, with the reason beneath, until a superuser logs on again.
    bool IsolatedTenantRequested() const override;
    void SetIsolatedTenantForced(const std::optional<std::string>& reason) override;

    // Runs when the focus moves from the second password field to another control of the window:
    // the button is enabled exactly when both passwords are equal.
    void EditPasswort2Exit();
    // The click on the button: installs the tenant.
    void Button1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateControls();
    bool FocusLeftForAnotherControl(QObject* watched, const QEvent& event) const;
    // Runs an event handler; an exception that leaves it goes to the application's handler, and
    // the window stays usable.
    void RunEventHandler(void (TFormSetup::*handler)());

    TMessageBoxService& messageBoxes_;

    QLineEdit* EditMandant = nullptr;
    QLineEdit* EditPasswort1 = nullptr;
    QLineEdit* EditPasswort2 = nullptr;
    QLineEdit* EditLizenznehmer = nullptr;
    QLineEdit* EditPLZ = nullptr;
    QLineEdit* EditOrt = nullptr;
    QLineEdit* EditStrasse = nullptr;
    QCheckBox* CheckIsolatedTenant = nullptr;
    QLabel* LabelIsolatedTenant = nullptr; // why the box is locked
    bool isolatedTenantChosen_ = false;    // the user's own choice while the box is locked
    QPushButton* Button1 = nullptr;
    TXelqProgress* XelqProgress1 = nullptr;

    TUniConnectDialog UniConnectDialog1;
    TInstallation installation_;
};

} // namespace velmora
