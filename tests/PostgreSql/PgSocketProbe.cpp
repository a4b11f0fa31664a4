// Logs on to a server's local socket as the operating-system user running it and prints who the
// server took it for: "role|ssl|client address", the address being "local" on a socket.
//
//   pg_socket_probe <socket directory> <port> <role> <SSLMode value>
#include "PostgreSql/PgClasses.h"

#include <iostream>

using namespace velmora;

int main(int argc, char** argv) {
    if (argc != 5) {
        std::cerr << "usage: pg_socket_probe <socket directory> <port> <role> <ssl mode>\n";
        return 2;
    }
    TPgConnectParams params;
    params.Server = argv[1];
    params.Port = std::stoi(argv[2]);
    params.Database = "postgres";
    params.UserName = argv[3];
    const TPgSSLModeName* mode = FindPgSSLMode(argv[4]);
    params.SSL.Mode = mode == nullptr ? TPgSSLMode::smPrefer : mode->mode;
    try {
        TPgSQLProtocol30 protocol;
        protocol.Connect(params);
        TPgSQLResult result = protocol.ExecuteStmt(
            "SELECT current_user || '|' || ssl || '|' || coalesce(inet_client_addr()::text, 'local') "
            "FROM pg_stat_ssl WHERE pid = pg_backend_pid()");
        std::cout << result.Rows.at(0).at(0).value_or("<null>") << '\n';
        protocol.Disconnect();
    } catch (const EPgError& e) {
        std::cerr << e.Message() << '\n';
        return 1;
    }
    return 0;
}
