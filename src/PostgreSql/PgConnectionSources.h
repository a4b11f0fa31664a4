#pragma once

#include "PostgreSql/PgConnectionKeywords.h"

#include <string>
#include <vector>

namespace velmora {

// The values a connection uses, from its sources, the stronger first:
// 1. given: what the program was told directly (its own options, a stored login);
// 2. the connection string a given dbname holds instead of a database name (as psql's -d takes
//    one), a keyword=value string or a URI;
// 3. the service entry named by the values so far or by PGSERVICE (see PgServiceEntry);
// 4. the environment variable of each keyword.
// What no source sets stays unset, for the connection's own default. Raises
// EPgConnectionValueError for a malformed connection string, an unknown keyword or service.
TPgConnectionValues ResolvePgConnectionValues(TPgConnectionValues given, const TPgEnvironment& environment);

// One server a connection may log on to.
struct TPgServerAddress {
    std::string Host;     // name, address or socket directory; empty: the default
    std::string HostAddr; // numeric address to connect to instead of looking the name up; may be empty
    int Port = 0;         // 0: the default port
};

// The servers in the order they are tried, from the comma-separated lists of host, hostaddr and
// port: one port serves every server, else each server has its own; an empty entry takes the
// default. Without host and hostaddr, one server with the default host. Raises
// EPgConnectionValueError for lists of different lengths or a port that is not one.
std::vector<TPgServerAddress> PgServerAddresses(const TPgConnectionValues& values);

} // namespace velmora
