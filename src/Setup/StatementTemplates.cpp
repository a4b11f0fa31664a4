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

} // namespace velmora
