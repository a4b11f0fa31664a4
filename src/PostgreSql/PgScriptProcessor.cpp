#include "PostgreSql/PgScriptProcessor.h"

#include "PostgreSql/PgParser.h"

namespace velmora {

std::unique_ptr<TParser> TPgScriptProcessor::CreateParser(std::string_view text,
                                                          const TParserOptions& options) const {
    return std::make_unique<TPgParser>(text, options);
}

} // namespace velmora
