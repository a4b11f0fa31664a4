#include "Dabrix/UniScript.h"

#include "Dabrix/Uni.h"
#include "Dabrix/UniSQL.h"

namespace velmora {

std::unique_ptr<TCustomDASQL> TUniScript::CreateCommand() const {
    return std::make_unique<TUniSQL>();
}

std::unique_ptr<TDAScriptProcessor> TUniScript::CreateProcessor() {
    return dynamic_cast<TUniConnection&>(*Connection()).Provider().CreateScriptProcessor(*this);
}

} // namespace velmora
