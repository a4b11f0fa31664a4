#pragma once

#include "Common/ExceptionHandler.h"
#include "Dabrix/PostgreSQLUniProvider.h"
#include "Dabrix/Uni.h"
#include "Dabrix/UniSQL.h"
#include "Dabrix/UniScript.h"
#include "PostgreSql/ScratchDatabase.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velmora::test {

// A login dialog whose user confirms, or cancels.
class ScriptedLoginDialog : public TCustomConnectDialog {
public:
    explicit ScriptedLoginDialog(bool confirm) : confirm_(confirm) {}

    int executions = 0;

    bool Execute() override {
        ++executions;
        if (!confirm_)
            return false;
        Connection()->PerformConnect(false);
        return Connection()->Connected();
    }

private:
    bool confirm_;
};

// A scratch database, a connection to it configured like the setup's tenant connection, and an
// application exception handler that records the error boxes it would show.
class ComponentTest : public testing::Test {
protected:
    // The table log lies in the schema of the connections' search path.
    static constexpr const char* kLogTable =
        "CREATE SCHEMA trevix; CREATE TABLE trevix.log (n integer PRIMARY KEY, t text)";

    explicit ComponentTest(const std::string& setupSql = kLogTable) : database(setupSql) {
        Configure(connection);
        previousHandler_ = SetApplicationExceptionHandler([this](const std::exception& e) {
            errorBoxes.push_back(ErrorBoxMessage(e));
            if (const auto* uniError = dynamic_cast<const EUniError*>(&e))
                errorCodes.push_back(uniError->ErrorCode());
        });
    }
    ~ComponentTest() override { SetApplicationExceptionHandler(std::move(previousHandler_)); }

    void Configure(TUniConnection& subject) {
        subject.SetProviderName("PostgreSQL");
        subject.SetLoginPrompt(false);
        subject.SetServer(sandbox().host);
        subject.SetPort(std::stoi(sandbox().port));
        subject.SetDatabase(database.Name());
        subject.SetUsername(sandbox().user);
        subject.SetPassword(sandbox().password);
        subject.SpecificOptions() = {"PostgreSQL.Charset=utf8", "PostgreSQL.Schema=trevix",
                                     "PostgreSQL.UseUnicode=True"};
    }

    // A script component on the connection with the given text.
    void Load(TUniScript& script, const std::string& text) {
        script.SetConnection(&connection);
        script.SQL().SetText(text);
    }

    // The rows of the table log, as "n:t" joined by commas in the order of n.
    std::string Logged() const {
        return database.Query("SELECT coalesce(string_agg(n || ':' || coalesce(t, '-'), ',' ORDER BY n), '') "
                              "FROM trevix.log");
    }

    TPostgreSQLUniProvider provider;
    ScratchDatabase database;
    TUniConnection connection;
    std::vector<std::string> errorBoxes;
    std::vector<int> errorCodes;

private:
    TApplicationExceptionHandler previousHandler_;
};

} // namespace velmora::test
