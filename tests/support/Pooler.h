#pragma once

#include <string>

namespace velmora::test {

// A connection pooler (the system's pgbouncer) in transaction mode in front of the sandbox, on a
// free port of 127.0.0.1, for as long as the object lives. Clients log on with SCRAM as the
// server's roles; the pooler looks their secrets up on the server, so that roles made during a
// test log on through it too. Each transaction of a client may run on another server session.
class TPooler {
public:
    TPooler();
    ~TPooler();
    TPooler(const TPooler&) = delete;
    TPooler& operator=(const TPooler&) = delete;

    const std::string& Host() const { return host_; }
    const std::string& Port() const { return port_; }

private:
    std::string directory_;
    std::string host_ = "127.0.0.1";
    std::string port_;
};

} // namespace velmora::test
