#include "Setup/cli/InstallConnections.h"

#include "Common/AsciiText.h"
#include "Common/ExceptionHandler.h"
#include "PostgreSql/PgSQLProtocol.h"

#include <algorithm>

namespace velmora::cli {
namespace {

// Whether the server refused the log-on for its authentication: the SQLSTATE class 28.
bool RefusedAuthentication(const EDAError& error) {
    const std::optional<EPgError> serverError = WrappedException<EPgError>(error);
    return serverError && serverError->ErrorCode().starts_with("28");
}

void Report(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        HandleApplicationException(e);
    }
}

// Replaces whatever TLS options the connection had: the provider takes the first of two lines.
void UseTlsSettings(TUniConnection& connection, const TTlsSettings& tls) {
    std::vector<std::string>& options = connection.SpecificOptions();
    std::erase_if(options,
                  [](const std::string& line) { return LowerAscii(line).starts_with("postgresql.ssl"); });
    options.push_back("PostgreSQL.SSLMode=" + tls.mode);
    const std::pair<const char*, const std::string*> files[] = {{"PostgreSQL.SSLCACert=", &tls.rootCert},
                                                                {"PostgreSQL.SSLCert=", &tls.cert},
                                                                {"PostgreSQL.SSLKey=", &tls.key}};
    for (const auto& [option, file] : files) {
        if (!file->empty())
            options.push_back(option + *file);
    }
}

} // namespace

bool TLocalSocketFallback::Execute() {
    TCustomDAConnection* connection = Connection();
    if (connection == nullptr)
        throw EDatabaseError("Connection is not defined");
    std::exception_ptr socketRefusal;
    try {
        connection->PerformConnect(false);
        return true;
    } catch (const EDAError& e) {
        if (!PgIsSocketDirectory(connection->Server()) || !RefusedAuthentication(e))
            throw;
        socketRefusal = std::current_exception();
    }
    connection->SetServer("localhost");
    try {
        connection->PerformConnect(true);
    } catch (...) {
        Report(socketRefusal);
        throw;
    }
    return true;
}

void PrepareConnections(TInstallation& installation, const TTlsSettings& tls,
                        TLocalSocketFallback& tenantLogOn) {
    UseTlsSettings(installation.UniConnection1, tls);
    UseTlsSettings(installation.UniConnection2, tls);
    // Nobody is prompted: the tenant connection's "dialog" is its log-on with the fallback.
    installation.UniConnection2.SetLoginPrompt(true);
    installation.UniConnection2.SetConnectDialog(&tenantLogOn);
}

} // namespace velmora::cli
