#pragma once

#include <string_view>

namespace velmora {

// The structure script: creates every object of the schema trevix in an existing database.
std::string_view StructureScript();

// Grants the roles qz7k and trevix, where they exist, what the objects the structure script hands
// them need to serve the tenant role; run right after the structure script.
std::string_view OwnerGrantScript();

// The value-list script: fills the standard value lists of a freshly structured database.
std::string_view ValueListScript();

} // namespace velmora
