#include "Setup/StatementTemplates.h"

namespace velmora {

void LoadTemplate(TStringList& lines, std::span<const std::string_view> stored) {
    lines.Clear();
    for (std::string_view line : stored)
        lines.Add(std::string(line));
}

void PatchLine(TStringList& lines, std::size_t index, std::string text) {
    lines.Delete(index);
    lines.Insert(index, std::move(text));
}

void PatchTenantValueList(TStringList& lines, std::string_view tenantCode) {
    // Appended rather than written as "'" + ...: GCC 12 at -O3 reports a false overlap there.
    std::string quotedCode = "'";
    quotedCode += tenantCode;
    quotedCode += "',";
    constexpr std::array<std::size_t, 3> kCodeLines{9, 21, 26};
    for (const std::size_t line : kCodeLines)
        PatchLine(lines, line, quotedCode);
}

} // namespace velmora
