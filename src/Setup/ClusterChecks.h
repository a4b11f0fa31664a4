#pragma once

#include "Dabrix/Uni.h"

#include <optional>
#include <string>

namespace velmora {

// What the server's cluster must offer before a tenant database can be made on it, checked after
// the login and before anything changes. The tenant database is UTF-8 and is copied from
// template1, which therefore must be UTF-8 as well and free of other sessions (CREATE DATABASE waits
// for them only a few seconds). That template1 holds no schema trevix is seen only in the copy (see
// InheritedSchemaTrevix).
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
    // Refuses a template1 that the administrator is logged on to or that keeps other sessions.
    void CheckTemplate1();
    // The number a count query of the administrative session answers.
    int Count(const std::string& sql);

    TUniConnection& admin_;
};

// Whether the tenant database, just copied from template1, inherited a schema trevix from it (the
// structure would collide with it). Asked in the copy, to which the installation connects anyway,
// rather than in template1: a session there, which a connection pooler keeps open after the client
// has left, would keep other installations' CREATE DATABASE from copying the template.
bool InheritedSchemaTrevix(TUniConnection& tenantDatabase);

// The encoding line of CREATE DATABASE: UTF8 alone, or with template0 and the locale given.
std::string DatabaseEncodingLine(const std::optional<std::string>& template0Locale);

} // namespace velmora
