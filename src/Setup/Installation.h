#pragma once

#include "Dabrix/PostgreSQLUniProvider.h"
#include "Dabrix/Uni.h"
#include "Dabrix/UniSQL.h"
#include "Dabrix/UniScript.h"
#include "Setup/InstallerHost.h"

#include <string>

namespace velmora {

// The installation of one tenant: its role, database, schema, value lists and tenant row, made by
// one press of the window's button. Holds the components the installation works with, created with
// the values the setup stores for them. The statement templates are patched in place and keep their
// last text for the life of the object, so a second run starts from what the first one left.
class TInstallation {
public:
    // The host supplies the input and shows progress and messages; loginDialog asks for the
    // administrative login. Both must outlive the installation.
    TInstallation(TInstallerHost& host, TCustomConnectDialog& loginDialog);
    TInstallation(const TInstallation&) = delete;
    TInstallation& operator=(const TInstallation&) = delete;

    // The whole installation: checks the input, asks for the administrative login and runs the
    // steps while the progress value counts from 0 to 100, then names the new database. A step
    // without a guard that fails raises its exception and ends the run; EAbort is a login given up.
    void Button1Click();

    // The components, as the window holds them. The provider comes first: it must be registered
    // before a connection asks for it.
    TPostgreSQLUniProvider PostgreSQLUniProvider1;
    TUniConnection UniConnection1; // administrative
    TUniConnection UniConnection2; // tenant
    TUniScript UniScriptDropDatabase;
    TUniScript UniScriptUser;
    TUniScript UniScriptDB;
    TUniScript UniScriptCreateSchema;
    TUniScript UniScriptStruktur;
    TUniScript UniScriptOwnerGrants;
    TUniScript UniScriptWerteListe;
    TUniQuery q_insertMandant{"q_insertMandant"};
    TUniScript UniScriptMandantWerteliste;

private:
    void DropOldTenant();
    void CreateTenantRole();
    void CreateTenantDatabase();
    void CreateTenantStructure();
    void InsertValueLists();
    void InsertTenantRow();
    void InsertTenantValueLists();

    // The step bound to a progress value, if any.
    void RunStep(int progress);

    TInstallerHost& host_;
    TCustomConnectDialog& loginDialog_; // the window's UniConnectDialog1
};

} // namespace velmora
