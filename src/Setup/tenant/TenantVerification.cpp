#include "Setup/tenant/TenantVerification.h"

#include "Dabrix/UniScript.h"
#include "Setup/InstallationOutcome.h"
#include "Setup/SchemaScripts.h"
#include "Setup/StatementTemplates.h"
#include "Setup/TenantInput.h"
#include "Setup/TenantLock.h"
#include "Setup/tenant/Catalogue.h"
#include "Setup/tenant/ScratchDatabase.h"
#include "Setup/tenant/ValueLists.h"

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <sstream>

namespace velmora::tenant {
namespace {

using TRow = std::vector<std::string>;

// The attributes a role template sets, in the order the catalogue query below reads them, with the
// value CREATE USER gives the ones a template leaves out.
struct TRoleAttribute {
    std::string_view word;
    bool byDefault;
};
constexpr std::array<TRoleAttribute, 7> kRoleAttributes{{{"LOGIN", true},
                                                         {"SUPERUSER", false},
                                                         {"CREATEDB", false},
                                                         {"CREATEROLE", false},
                                                         {"INHERIT", true},
                                                         {"REPLICATION", false},
                                                         {"BYPASSRLS", false}}};

// What the verification needs to know of the tenant before it looks inside its database.
struct TTenantFacts {
    std::string collate;
    std::string ctype;
    std::string releaseStamp;
    bool roleExists = false;
    bool superuser = false;
    std::array<bool, kRoleAttributes.size()> attributes{};
    std::vector<std::string> applicationRoles; // qz7k and trevix, where the tenant role is a member
};

TTenantFacts ReadTenantFacts(TUniConnection& admin, const std::string& tenant) {
    const std::vector<TRow> rows = admin.SelectRows(
        "SELECT d.datcollate, d.datctype, "
        "coalesce(pg_catalog.shobj_description(d.oid, 'pg_database'), ''), r.rolname IS NOT NULL, "
        "r.rolcanlogin, r.rolsuper, r.rolcreatedb, r.rolcreaterole, r.rolinherit, r.rolreplication, "
        "r.rolbypassrls, (SELECT pg_catalog.string_agg(a.rolname, ' ' ORDER BY a.rolname) "
        "FROM pg_catalog.pg_roles a WHERE a.rolname IN ('qz7k', 'trevix') "
        "AND pg_catalog.pg_has_role(r.oid, a.oid, 'MEMBER')) "
        "FROM pg_catalog.pg_database d LEFT JOIN pg_catalog.pg_roles r ON r.rolname = d.datname "
        "WHERE d.datname = " +
        PasswordLiteral(tenant));
    if (rows.empty())
        throw ETenantNotVerifiable("Den Mandanten " + tenant + " gibt es auf dem Server nicht");
    const TRow& row = rows.front();
    if (row.size() != 12)
        throw EDatabaseError("Unexpected server response");
    TTenantFacts facts;
    facts.collate = row[0];
    facts.ctype = row[1];
    facts.releaseStamp = row[2];
    facts.roleExists = row[3] == "t";
    for (std::size_t i = 0; i < kRoleAttributes.size(); ++i)
        facts.attributes[i] = row[4 + i] == "t";
    facts.superuser = facts.attributes[1];
    std::istringstream roles(row[11]);
    for (std::string role; roles >> role;)
        facts.applicationRoles.push_back(role);
    return facts;
}

// The attributes the role template of the tenant's kind gives its role.
std::array<bool, kRoleAttributes.size()> TemplateAttributes(std::span<const std::string_view> lines) {
    std::array<bool, kRoleAttributes.size()> attributes{};
    for (std::size_t i = 0; i < kRoleAttributes.size(); ++i)
        attributes[i] = kRoleAttributes[i].byDefault;
    for (const std::string_view line : lines) {
        std::istringstream words{std::string(line)};
        for (std::string word; words >> word;) {
            const bool negated = word.starts_with("NO");
            for (std::size_t i = 0; i < kRoleAttributes.size(); ++i) {
                if (word == kRoleAttributes[i].word || (negated && word.substr(2) == kRoleAttributes[i].word))
                    attributes[i] = !negated || word == kRoleAttributes[i].word;
            }
        }
    }
    return attributes;
}

std::vector<std::string> RoleDifferences(const std::string& tenant, const TTenantFacts& facts) {
    if (!facts.roleExists)
        return {"Rolle " + tenant + " fehlt"};
    const auto expected =
        TemplateAttributes(facts.superuser ? std::span<const std::string_view>(kUserTemplate)
                                           : std::span<const std::string_view>(kIsolatedUserTemplate));
    std::vector<std::string> differences;
    const auto written = [](std::size_t attribute, bool set) {
        return (set ? "" : "NO") + std::string(kRoleAttributes[attribute].word);
    };
    for (std::size_t i = 0; i < kRoleAttributes.size(); ++i) {
        if (facts.attributes[i] != expected[i])
            differences.push_back("Rolle " + tenant + ": " + written(i, facts.attributes[i]) + " statt " +
                                  written(i, expected[i]));
    }
    return differences;
}

// Runs a script as the installation runs it. An ownership the runner cannot hand on stays with it,
// as it did in the tenant; any other failure means the reference is not what the installation
// makes, and ends the verification.
void RunReferenceScript(TUniConnection& connection, std::string_view text) {
    TUniScript script;
    script.SetConnection(&connection);
    script.SQL().SetText(text);
    script.SetPipelined(true);
    std::optional<TStatementFailure> failed;
    script.OnError = [&failed](TDAScript&, const std::exception& error, const std::string& sql,
                               TErrorAction& action) {
        TStatementFailure failure = TStatementFailure::Of(error, sql);
        if (failure.kind == TStatementFailure::TKind::MissingOwner ||
            failure.kind == TStatementFailure::TKind::RefusedOwner) {
            action = TErrorAction::eaContinue;
            return;
        }
        failed = std::move(failure);
        action = TErrorAction::eaFail;
    };
    try {
        script.Execute();
    } catch (const std::exception&) {
        if (!failed)
            throw;
        throw EDatabaseError("Die Vergleichsdatenbank ließ sich nicht aufbauen: " + failed->message +
                             " | Anweisung: " + failed->firstLine);
    }
}

std::string TemplateText(std::span<const std::string_view> stored,
                         const std::function<void(TStringList&)>& patch) {
    TStringList lines;
    LoadTemplate(lines, stored);
    patch(lines);
    return lines.Text();
}

// Builds in the scratch database what the installation builds in the tenant's, from step 30 on,
// as the tenant role where it exists: its schema, the structure with the application roles' right
// to take objects over for the time of the script, the owner grants, the value lists, a tenant row
// and the tenant's value lists.
void BuildReference(TUniConnection& reference, const std::string& scratch, const std::string& tenantCode,
                    const TTenantFacts& facts) {
    const std::string tenant = LowerTenantCode(tenantCode);
    if (facts.roleExists)
        ExecuteStatement(reference, "SET ROLE " + tenant);
    const std::string runner = facts.roleExists ? tenant : "CURRENT_USER";
    ExecuteStatement(reference, "GRANT ALL ON DATABASE " + scratch + " TO " + runner);
    std::vector<std::string> applicationRoles;
    if (facts.roleExists && !facts.superuser) {
        ExecuteStatement(reference, "REVOKE ALL ON DATABASE " + scratch + " FROM PUBLIC");
        applicationRoles = facts.applicationRoles;
    }
    RunReferenceScript(reference, TemplateText(kCreateSchemaTemplate, [&](TStringList& lines) {
                           PatchLine(lines, 3, facts.roleExists ? tenantCode : "CURRENT_USER");
                       }));
    for (const std::string& role : applicationRoles)
        ExecuteStatement(reference, "GRANT CREATE ON SCHEMA trevix TO " + role);
    RunReferenceScript(reference, StructureScript());
    RunReferenceScript(reference, OwnerGrantScript());
    for (const std::string& role : applicationRoles)
        ExecuteStatement(reference, "REVOKE CREATE ON SCHEMA trevix FROM " + role);
    RunReferenceScript(reference, ValueListScript());
    ExecuteStatement(reference, "INSERT INTO trevix.mandant (mandant, plz, ort, strasse) VALUES (" +
                                    PasswordLiteral(tenantCode) + ", '-', '-', '-')");
    RunReferenceScript(reference, TemplateText(kTenantValueListTemplate, [&](TStringList& lines) {
                           PatchTenantValueList(lines, tenantCode);
                       }));
}

} // namespace

TTenantVerification::TTenantVerification(TUniConnection& admin, TConnectTo connectTo, std::ostream& out)
    : admin_(admin), connectTo_(std::move(connectTo)), out_(out) {}

TTenantVerificationResult TTenantVerification::Verify(const std::string& typedCode) {
    const std::string tenantCode = UpperTenantCode(typedCode);
    if (const auto refusal = TenantCodeRefusal(tenantCode))
        throw ETenantNotVerifiable(*refusal);
    const std::string tenant = LowerTenantCode(tenantCode);
    // A tenant that another run installs or removes right now would show that run's half-way state.
    const TTenantLock lock(admin_, tenant);
    const TTenantFacts facts = ReadTenantFacts(admin_, tenant);

    const std::unique_ptr<TUniConnection> tenantConnection = connectTo_(tenant);
    if (tenantConnection->SelectRows("SELECT pg_catalog.to_regclass('trevix.mandant') IS NOT NULL")
            .at(0)
            .at(0) != "t")
        throw ETenantNotVerifiable("Die Datenbank " + tenant +
                                   " ist kein Mandant: ihr fehlt die Tabelle trevix.mandant");
    const TCatalogue actual = TCatalogue::Read(*tenantConnection, tenant);

    // The scratch database has the tenant database's owner, encoding and locale; it comes from
    // template0, so that nothing another template holds gets into the reference.
    TScratchDatabase scratch(
        admin_, tenant,
        std::string("WITH ") + (facts.roleExists ? "OWNER = " + tenant + " " : "") +
            "TEMPLATE = template0 ENCODING = 'UTF8' LC_COLLATE = " + PasswordLiteral(facts.collate) +
            " LC_CTYPE = " + PasswordLiteral(facts.ctype),
        out_);
    out_ << "Vergleichsdatenbank " << scratch.Name() << " wird mit den Skripten der Installation aufgebaut"
         << std::endl;
    TCatalogue expected;
    TValueLists valueLists;
    {
        const std::unique_ptr<TUniConnection> reference = connectTo_(scratch.Name());
        BuildReference(*reference, scratch.Name(), tenantCode, facts);
        expected = TCatalogue::Read(*reference, tenant);
        valueLists = TValueLists::Read(*reference, expected, actual);
    }
    scratch.Drop();

    TTenantVerificationResult result{tenant, facts.releaseStamp, RoleDifferences(tenant, facts)};
    for (std::vector<std::string> found :
         {CompareCatalogues(expected, actual), valueLists.Missing(*tenantConnection)})
        result.differences.insert(result.differences.end(), found.begin(), found.end());
    return result;
}

} // namespace velmora::tenant
