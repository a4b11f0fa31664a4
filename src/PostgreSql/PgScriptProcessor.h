#pragma once

#include "Common/DAScript.h"

namespace velmora {

// The script processor of the PostgreSQL provider: statements are cut with the PostgreSQL lexer,
// so dollar-quoted bodies and escape strings stay whole.
class TPgScriptProcessor : public TDAScriptProcessor {
public:
    using TDAScriptProcessor::TDAScriptProcessor;

protected:
    std::unique_ptr<TParser> CreateParser(std::string_view text,
                                          const TParserOptions& options) const override;
};

} // namespace velmora
