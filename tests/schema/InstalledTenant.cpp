#include "InstalledTenant.h"

#include <regex>

namespace velmora::test {

bool isMissingRoleOwnership(const ScriptError& error) {
    static const std::regex ownership(R"(^ALTER (TABLE|FUNCTION) trevix\..* OWNER TO (\w+);$)");
    std::smatch match;
    const std::string line = lineOf(error.file, error.line);
    return error.file == structureScript() && std::regex_match(line, match, ownership) &&
           error.message == "role \"" + match[2].str() + "\" does not exist";
}

void InstalledTenant::SetUp() {
    ASSERT_EQ(ApplicationRoles::countExisting(), 0);
    install = tenant.runScripts({structureScript(), ownerGrantScript(), valueListScript()});
    for (const auto& error : install.errors)
        ASSERT_TRUE(isMissingRoleOwnership(error))
            << error.file << ':' << error.line << ": " << error.message;
}

} // namespace velmora::test
