#pragma once

#include "TenantDatabase.h"

#include <gtest/gtest.h>

namespace velmora::test {

// True when the error is an ownership statement of the structure script failing because the role it
// names does not exist.
bool isMissingRoleOwnership(const ScriptError& error);

// A tenant database with the structure script, the owner grants and the value-list script run in
// one session, as the installation runs them, on a cluster without the roles qz7k and trevix: the
// ownership statements naming those roles are the only statements allowed to fail.
class InstalledTenant : public ::testing::Test {
protected:
    void SetUp() override;

    TenantDatabase tenant;
    ScriptRun install;
};

} // namespace velmora::test
