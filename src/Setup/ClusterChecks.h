#pragma once

#include "Dabrix/Uni.h"

#include <optional>
#include <string>

namespace velmora {

// What the server's cluster must offer before a tenant database can be made on it, checked after
// the login and before anything changes. The tenant database is UTF-8 and is copied from
// template1, which therefore must be UTF-8 as well, free of other sessions (CREATE DATABASE waits
// for them only a few seconds) and without a schema trevix (the structure would collide with it).
// A cluster whose template1 has another encoding makes the database from template0 with a UTF-8
// locale the server has, as administrators of such clusters do by hand.
class TClusterChecks {
public:
    // admin is the open administrative connection.
    explicit TClusterChecks(TUniConnection& admin) : admin_(admin) {}

    // Raises EDatabaseError with a German message that says what to do when the tenant database
    // cannot be made. Returns the UTF-8 locale to make it from template0 with, or nothing when it
    // is copied from template1 as usual.
    std::optional<std::string> Run();

private:
    // The name of a UTF-8 locale the server knows (one named so: the plain C locale would take any
    // encoding, but knows no letters beyond ASCII), preferring the language of template1's locale,
    // then C.UTF-8; nothing when there is none.
    std::optional<std::string> Utf8Locale();
    // Refuses a template1 that the administrator is logged on to, that holds a schema trevix or
    // that keeps other sessions.
    void CheckTemplate1();
    // Whether template1 holds a schema trevix, asked through a session of its own, which is over
    // before the method returns.
    bool Template1HasTrevix();
    // Waits for the server session of the probe to end, and ends it when a connection pooler keeps
    // it open: it would keep CREATE DATABASE from copying the template.
    void EndProbeSession(const std::string& pid);
    // The number a count query of the administrative session answers.
    int Count(const std::string& sql);

    TUniConnection& admin_;
};

// The encoding line of CREATE DATABASE: UTF8 alone, or with template0 and the locale given.
std::string DatabaseEncodingLine(const std::optional<std::string>& template0Locale);

} // namespace velmora
