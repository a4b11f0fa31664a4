#pragma once

#include "InstalledTenant.h"

#include <string>

namespace velmora::test {

// An installed tenant with the rows the installation writes after the scripts: the tenant row of
// kTenant, its customer-number counter and its two order statuses; and one customer, person 900001.
// Fixture rows take ids far above what the key sequence hands out during a test.
class ActiveTenant : public InstalledTenant {
protected:
    static constexpr const char* kTenant = "QZ7K";

    void SetUp() override;

    // One statement (or several, run as one transaction), expected to succeed; returns its output.
    std::string sql(const std::string& statements) const { return tenant.query(statements); }
};

} // namespace velmora::test
