#include "Common/DAParams.h"

#include <algorithm>

namespace velmora {

void TDAParam::SetValue(std::optional<std::string> value) {
    value_ = std::move(value);
    bound_ = true;
}

void TDAParam::SetAsString(std::string text) {
    if (dataType_ != TFieldType::ftFixedWideChar)
        dataType_ = TFieldType::ftWideString;
    SetValue(std::move(text));
}

bool SameParamName(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

TDAParam* TDAParams::FindParam(std::string_view name) const {
    for (const auto& item : items_) {
        if (SameParamName(item->Name(), name))
            return item.get();
    }
    return nullptr;
}

void TDAParams::Rebuild(const std::vector<std::string>& names) {
    std::vector<std::unique_ptr<TDAParam>> rebuilt;
    rebuilt.reserve(names.size());
    for (const std::string& name : names) {
        auto kept = std::find_if(items_.begin(), items_.end(),
                                 [&](const auto& item) { return item && SameParamName(item->Name(), name); });
        rebuilt.push_back(kept != items_.end() ? std::move(*kept) : std::make_unique<TDAParam>(name));
    }
    items_ = std::move(rebuilt);
}

} // namespace velmora
