#include "Common/StringList.h"

#include "Common/AsciiText.h"

namespace velmora {

const std::string& TStringList::operator[](std::size_t index) const {
    CheckIndex(index, lines_.size());
    return lines_[index];
}

void TStringList::Add(std::string line) {
    lines_.push_back(std::move(line));
    Changed();
}

void TStringList::Insert(std::size_t index, std::string line) {
    CheckIndex(index, lines_.size() + 1);
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index), std::move(line));
    Changed();
}

void TStringList::Delete(std::size_t index) {
    CheckIndex(index, lines_.size());
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(index));
    Changed();
}

void TStringList::Clear() {
    lines_.clear();
    Changed();
}

std::string TStringList::Text() const {
    std::size_t size = 0;
    for (const std::string& line : lines_)
        size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string& line : lines_) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void TStringList::SetText(std::string_view text) {
    lines_.clear();
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines_.emplace_back(text.substr(start));
            break;
        }
        lines_.emplace_back(text.substr(start, end - start));
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    Changed();
}

std::string TStringList::TrimmedText() const {
    std::string text = Text();
    while (!text.empty() && IsBlank(text.back()))
        text.pop_back();
    return text;
}

void TStringList::CheckIndex(std::size_t index, std::size_t limit) const {
    if (index >= limit)
        throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

void TStringList::Changed() {
    if (OnChange)
        OnChange();
}

} // namespace velmora
