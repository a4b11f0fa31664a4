# cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DFUNCTION=<qualified name> -P EmbedText.cmake
# Writes a C++ source whose function returns the input file's bytes unchanged, so the program
# carries the text exactly as it stands in the repository.
file(READ "${INPUT}" bytes HEX)
string(LENGTH "${bytes}" hex_length)
math(EXPR length "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," array "${bytes}")
string(REGEX REPLACE "(('\\\\x[0-9a-f][0-9a-f]',){32})" "\\1\n" array "${array}")
string(REGEX REPLACE "::[^:]*$" "" namespace "${FUNCTION}")
string(REGEX REPLACE "^.*::" "" name "${FUNCTION}")
file(WRITE "${OUTPUT}.tmp" "// Generated from ${INPUT}; do not edit.
#include <string_view>

namespace ${namespace} {
namespace {
constexpr char text[] = {
${array}'\\0'};
} // namespace

std::string_view ${name}() { return {text, ${length}}; }
} // namespace ${namespace}
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
