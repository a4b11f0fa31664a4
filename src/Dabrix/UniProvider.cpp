#include "Dabrix/UniProvider.h"

#include "Common/AsciiText.h"

#include <algorithm>

namespace velmora {
namespace {

std::vector<const TUniProvider*>& Registry() {
    static std::vector<const TUniProvider*> providers;
    return providers;
}

} // namespace

TUniProvider::TUniProvider(std::string providerName) : providerName_(std::move(providerName)) {
    Registry().push_back(this);
}

TUniProvider::~TUniProvider() {
    std::erase(Registry(), this);
}

const TUniProvider* FindUniProvider(std::string_view name) {
    for (const TUniProvider* provider : Registry()) {
        if (EqualsIgnoringAsciiCase(provider->ProviderName(), name))
            return provider;
    }
    return nullptr;
}

std::vector<std::string> UniProviderNames() {
    std::vector<std::string> names;
    for (const TUniProvider* provider : Registry()) {
        if (std::find(names.begin(), names.end(), provider->ProviderName()) == names.end())
            names.push_back(provider->ProviderName());
    }
    return names;
}

} // namespace velmora
