#pragma once

#include "Setup/tenant/Subcommand.h"

namespace velmora::tenant {

// velmora-tenant batch FILE: installs every tenant of a CSV file, several at once, each by
// velmora-tenant install in a process of its own.
TSubcommand BatchSubcommand();

} // namespace velmora::tenant
