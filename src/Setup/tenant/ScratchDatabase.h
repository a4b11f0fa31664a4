#pragma once

#include "Dabrix/Uni.h"

#include <ostream>
#include <string>

namespace velmora::tenant {

// The names of the databases a verification builds its reference in: a tenant code can never take
// such a name, and a listing of tenants leaves them out.
inline constexpr std::string_view kScratchDatabasePrefix = "velmora_verify_";

// A database of the verification's own, made by the administrator's connection and dropped by it
// when it goes, whatever ends its life: a return, an exception or a signal (the drop is shielded
// from the interrupt, whose run would otherwise leave the database behind). A drop that fails in
// the destructor is reported on the stream given, with the database's name.
class TScratchDatabase {
public:
    // Creates the database of a unique name with kScratchDatabasePrefix and the given clauses of
    // CREATE DATABASE (owner, encoding, locale).
    TScratchDatabase(TUniConnection& admin, const std::string& tenant, const std::string& clauses,
                     std::ostream& out);
    ~TScratchDatabase();
    TScratchDatabase(const TScratchDatabase&) = delete;
    TScratchDatabase& operator=(const TScratchDatabase&) = delete;

    const std::string& Name() const { return name_; }

    // Drops the database now; a failure raises. Every session on it must be closed.
    void Drop();

private:
    TUniConnection& admin_;
    std::string name_;
    std::ostream& out_;
    bool exists_ = false;
};

// Runs one statement without parameters on connection.
void ExecuteStatement(TUniConnection& connection, const std::string& sql);

} // namespace velmora::tenant
