#pragma once

#include "Common/DAScript.h"

namespace velmora {

// A script on a TUniConnection: the connection's provider names the processor that cuts the text,
// and every statement runs through a TUniSQL of the script's own.
class TUniScript : public TDAScript {
protected:
    std::unique_ptr<TCustomDASQL> CreateCommand() const override;
    std::unique_ptr<TDAScriptProcessor> CreateProcessor() override;
};

} // namespace velmora
