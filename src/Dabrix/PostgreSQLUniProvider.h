#pragma once

#include "Dabrix/Uni.h"
#include "Dabrix/UniProvider.h"
#include "PostgreSql/PgClasses.h"

namespace velmora {

// The provider "PostgreSQL": its connections are TPgSQLConnection objects.
class TPostgreSQLUniProvider final : public TUniProvider {
public:
    TPostgreSQLUniProvider() : TUniProvider("PostgreSQL") {}

    std::unique_ptr<TCRConnection> CreateConnection() const override;
    std::unique_ptr<TCRCommand> CreateCommand() const override;
    std::unique_ptr<TDAScriptProcessor> CreateScriptProcessor(TDAScript& owner) const override;
    void SetConnectionOptions(TCRConnection& connection,
                              const std::vector<std::string>& specificOptions) const override;
};

// The PostgreSQL options of the lines "PostgreSQL.<option>=<value>" (option names without regard to
// case; the first line of an option counts), the defaults for the others. An unknown option or a
// value of the wrong kind raises EDatabaseError.
TPgConnectionOptions ParsePgConnectionOptions(const std::vector<std::string>& specificOptions);

// Writes the TLS settings into the connection's option lines in place of every TLS line it had:
// the mode always, each file and the cipher list only when named.
void SetPgSSLOptions(TUniConnection& connection, const TPgSSLOptions& ssl);

// Where the connection's last session ran (of several servers, the one it reached); raises
// EDatabaseError when the connection was never opened or is of another provider.
TPgServerAddress PgConnectedServer(const TUniConnection& connection);

} // namespace velmora
