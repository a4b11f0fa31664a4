#pragma once

#include "PostgreSql/PgAuthPolicy.h"

#include <span>
#include <string>
#include <string_view>

namespace velmora {

// Where a connection goes when its server or port is not given.
inline constexpr const char* kPgDefaultServer = "localhost";
inline constexpr int kPgDefaultPort = 5432;

// When the connection is encrypted. Disable never asks for TLS; allow logs on in clear and asks for
// TLS only when that fails; prefer asks for TLS and goes on in clear when the server has none (or
// the handshake fails); require insists on TLS and checks the certificate's chain only when a root
// certificate file is given; verify-ca checks the chain, verify-full also the host name.
enum class TPgSSLMode { smDisable, smRequire, smPrefer, smAllow, smVerifyCA, smVerifyFull };

// A mode by the name administrators know from the server's own tools ("verify-full") and by the
// provider option's value ("smVerifyFull").
struct TPgSSLModeName {
    std::string_view tool;
    std::string_view option;
    TPgSSLMode mode;
};

// Every mode, in the order lists show them.
std::span<const TPgSSLModeName> PgSSLModes();
// The mode named by either of its names, without regard to case; none for an unknown name.
const TPgSSLModeName* FindPgSSLMode(std::string_view name);
const TPgSSLModeName& PgSSLModeName(TPgSSLMode mode);

// The TLS material of a connection; empty names take the defaults in ~/.postgresql (root.crt,
// postgresql.crt, postgresql.key) when those files exist.
struct TPgSSLOptions {
    TPgSSLMode Mode = TPgSSLMode::smDisable;
    std::string CACert;     // roots to check the server against; "system": the system's roots
    std::string Cert;       // client certificate
    std::string Key;        // its private key
    std::string CipherList; // TLS 1.2 ciphers
};

enum class TPgProtocolVersion { pv20, pv30 };

// The session a connection with several servers settles for: any; one that may write (read-write)
// or may not (read-only); a server that is no hot standby (primary) or one that is (standby); a
// standby when one of the servers is, else any (prefer-standby).
enum class TPgTargetSession { Any, ReadWrite, ReadOnly, Primary, Standby, PreferStandby };

// The target by the name the server's tools give it ("read-write"); raises
// EPgConnectionValueError for a name that is none.
TPgTargetSession ParsePgTargetSession(std::string_view name);
std::string_view PgTargetSessionName(TPgTargetSession target);

// How a connection logs on and sets its session up, with the defaults of an option not given. A
// new setting becomes a member here; the provider's option lines and the log-on read it from here.
struct TPgConnectionOptions {
    std::string ApplicationName; // sent as application_name in the startup message when not empty
    std::string Charset;         // client encoding to set when UseUnicode is off
    int ConnectionTimeout = 15; // seconds for the whole log-on, and the first read and write timeout; 0: none
    TPgProtocolVersion ProtocolVersion = TPgProtocolVersion::pv30;
    std::string Schema; // search path to set after login, names separated by commas
    bool UseUnicode = false;
    std::string StartupOptions; // the session's server options ("-c name=value ..."), sent when not empty
    TPgSSLOptions SSL;          // no TLS over a local socket
    TPgAuthPolicy Auth;         // what the server may ask for at the log-on
    // Several servers: the connection's server is a comma-separated list of hosts, tried in turn.
    std::string HostAddr; // numeric addresses, one per host (comma-separated), used instead of lookups
    std::string Ports;    // comma-separated, one for every host or one per host; empty: the port
    TPgTargetSession TargetSession = TPgTargetSession::Any;
};

} // namespace velmora
