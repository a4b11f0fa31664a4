#include "Setup/Installation.h"

#include "Setup/SchemaScripts.h"
#include "Setup/StatementTemplates.h"

namespace velmora {
namespace {

const std::vector<std::string> kConnectionOptions{"PostgreSQL.UseUnicode=True", "PostgreSQL.Schema=trevix",
                                                  "PostgreSQL.Charset=utf8"};
// Encrypted whenever the server offers it: the tenant's password travels in CREATE USER.
const std::string kPreferTls = "PostgreSQL.SSLMode=smPrefer";

void Bind(TUniScript& script, TUniConnection& connection, std::span<const std::string_view> stored) {
    script.SetConnection(&connection);
    LoadTemplate(script.SQL(), stored);
}

void Bind(TUniScript& script, TUniConnection& connection, std::string_view text) {
    script.SetConnection(&connection);
    script.SQL().SetText(text);
}

// Runs a step that may fail without ending the installation: a failure shows the warning instead.
template <class Step>
void WithWarning(TInstallerHost& host, const char* warning, Step step) {
    try {
        step();
    } catch (const std::exception&) {
        host.ShowWarning(warning);
    }
}

} // namespace

TInstallation::TInstallation(TInstallerHost& host, TCustomConnectDialog& loginDialog)
    : host_(host), loginDialog_(loginDialog) {
    UniConnection1.SetProviderName("PostgreSQL");
    UniConnection1.SetServer("localhost");
    UniConnection1.SetUsername("NAME");
    UniConnection1.SpecificOptions() = kConnectionOptions;
    UniConnection1.SpecificOptions().push_back(kPreferTls);

    // The tenant connection is pointed at the new tenant at step 30 and never prompts.
    UniConnection2.SetProviderName("PostgreSQL");
    UniConnection2.SetServer("localhost");
    UniConnection2.SetPort(5432);
    UniConnection2.SetDatabase(LowerTenantCode(kSampleTenantCode));
    UniConnection2.SetUsername(LowerTenantCode(kSampleTenantCode));
    UniConnection2.SetPassword("geheim");
    UniConnection2.SetLoginPrompt(false);
    UniConnection2.SpecificOptions() = {kConnectionOptions[2], kConnectionOptions[1], kConnectionOptions[0],
                                        kPreferTls};

    Bind(UniScriptDropDatabase, UniConnection1, kDropDatabaseTemplate);
    Bind(UniScriptUser, UniConnection1, kUserTemplate);
    Bind(UniScriptDB, UniConnection1, kDatabaseTemplate);
    Bind(UniScriptCreateSchema, UniConnection2, kCreateSchemaTemplate);
    Bind(UniScriptStruktur, UniConnection2, StructureScript());
    Bind(UniScriptOwnerGrants, UniConnection2, OwnerGrantScript());
    Bind(UniScriptWerteListe, UniConnection2, ValueListScript());
    Bind(UniScriptMandantWerteliste, UniConnection2, kTenantValueListTemplate);

    q_insertMandant.SetConnection(&UniConnection2);
    LoadTemplate(q_insertMandant.SQL(), kInsertTenantTemplate);
    for (std::size_t i = 0; i < q_insertMandant.Params().Count(); ++i)
        q_insertMandant.Params()[i].SetDataType(TFieldType::ftString);
    q_insertMandant.ParamByName("mandant").SetValue(std::string(kSampleTenantCode));
}

void TInstallation::Button1Click() {
    if (auto refusal = InputRefusal(host_.TenantCode(), host_.TenantPassword(), host_.MasterData())) {
        host_.ShowWarning(*refusal);
        return;
    }
    UniConnection1.SetConnectDialog(&loginDialog_);
    // A login given up is not the end: the first script on the closed connection asks again.
    loginDialog_.Execute();
    for (int progress = 0; progress <= 100; ++progress) {
        host_.SetProgress(progress);
        RunStep(progress);
    }
    host_.ShowInformation("Die Datenbank " + LowerTenantCode(host_.TenantCode()) +
                          " wurde erfolgreich installiert");
}

void TInstallation::RunStep(int progress) {
    switch (progress) {
    case 10:
        DropOldTenant();
        break;
    case 20:
        CreateTenantRole();
        break;
    case 30:
        CreateTenantDatabase();
        break;
    case 50:
        CreateTenantStructure();
        break;
    case 70:
        InsertValueLists();
        break;
    case 80:
        InsertTenantRow();
        break;
    case 90:
        InsertTenantValueLists();
        break;
    default:
        break;
    }
}

void TInstallation::DropOldTenant() {
    // A tenant installed for the first time has nothing to drop, so nothing here may stop the run.
    // The script keeps the role drop as its text: a second run in the same window finds no line 1
    // and drops nothing.
    try {
        const std::string tenantCode = host_.TenantCode();
        PatchLine(UniScriptDropDatabase.SQL(), 1, tenantCode);
        UniScriptDropDatabase.Execute();
        UniScriptDropDatabase.SQL().SetText("drop user " + tenantCode);
        UniScriptDropDatabase.Execute();
    } catch (const std::exception&) {
    }
}

void TInstallation::CreateTenantRole() {
    TStringList& lines = UniScriptUser.SQL();
    PatchLine(lines, 1, LowerTenantCode(host_.TenantCode()));
    PatchLine(lines, 10, "PASSWORD  " + PasswordLiteral(host_.TenantPassword()));
    UniScriptUser.Execute();
}

void TInstallation::CreateTenantDatabase() {
    const std::string tenant = LowerTenantCode(host_.TenantCode());
    TStringList& lines = UniScriptDB.SQL();
    PatchLine(lines, 1, tenant);
    PatchLine(lines, 3, "OWNER = " + tenant);
    PatchLine(lines, 9, tenant);
    PatchLine(lines, 11, tenant);
    UniScriptDB.Execute();

    UniConnection2.Disconnect();
    UniConnection2.SetDatabase(tenant);
    UniConnection2.SetServer(UniConnection1.Server());
    UniConnection2.SetPort(UniConnection1.Port());
    UniConnection2.SetUsername(tenant);
    UniConnection2.SetPassword(host_.TenantPassword());
    UniConnection2.Connect();

    PatchLine(UniScriptCreateSchema.SQL(), 3, host_.TenantCode());
    UniScriptCreateSchema.Execute();
}

void TInstallation::CreateTenantStructure() {
    UniScriptStruktur.Execute();
    // Objects the script hands to qz7k or trevix must still serve the tenant role.
    UniScriptOwnerGrants.Execute();
}

void TInstallation::InsertValueLists() {
    WithWarning(host_, "Wertliste nicht installiert", [this] { UniScriptWerteListe.Execute(); });
}

void TInstallation::InsertTenantRow() {
    const TTenantMasterData masterData = host_.MasterData();
    q_insertMandant.ParamByName("mandant").SetAsString(host_.TenantCode());
    q_insertMandant.ParamByName("lizenznehmer").SetAsString(masterData.licensee);
    q_insertMandant.ParamByName("password").SetAsString(host_.TenantPassword());
    q_insertMandant.ParamByName("plz").SetAsString(masterData.postalCode);
    q_insertMandant.ParamByName("ort").SetAsString(masterData.city);
    q_insertMandant.ParamByName("strasse").SetAsString(masterData.street);
    q_insertMandant.Execute();
}

void TInstallation::InsertTenantValueLists() {
    WithWarning(host_, "Mandatn nicht installiert", [this] {
        // Appended rather than written as "'" + ...: GCC 12 at -O3 reports a false overlap there.
        std::string quotedCode = "'";
        quotedCode += host_.TenantCode();
        quotedCode += "',";
        TStringList& lines = UniScriptMandantWerteliste.SQL();
        PatchLine(lines, 9, quotedCode);
        PatchLine(lines, 21, quotedCode);
        PatchLine(lines, 26, quotedCode);
        UniScriptMandantWerteliste.Execute();
    });
}

} // namespace velmora
