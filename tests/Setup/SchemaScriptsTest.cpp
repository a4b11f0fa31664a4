#include "Setup/SchemaScripts.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The program must run the scripts exactly as they stand in the repository, byte for byte.
TEST(SchemaScripts, AreCompiledInUnchanged) {
    const std::string structure = readFile(SCHEMA_DIR "/structure.sql");
    const std::string valueLists = readFile(SCHEMA_DIR "/value_lists.sql");
    const std::string ownerGrants = readFile(SCHEMA_DIR "/owner_grants.sql");
    ASSERT_FALSE(structure.empty());
    ASSERT_FALSE(valueLists.empty());
    ASSERT_FALSE(ownerGrants.empty());
    EXPECT_EQ(velmora::StructureScript(), structure);
    EXPECT_EQ(velmora::ValueListScript(), valueLists);
    EXPECT_EQ(velmora::OwnerGrantScript(), ownerGrants);
}

} // namespace
