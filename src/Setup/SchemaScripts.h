#pragma once

#include <string_view>

namespace velmora {

// The structure script: creates every object of the schema trevix in an existing database.
std::string_view StructureScript();

// The value-list script: fills the standard value lists of a freshly structured database.
std::string_view ValueListScript();

} // namespace velmora
