#include "Dabrix/UniProvider.h"

#include <algorithm>
#include <cctype>

namespace velmora {
namespace {

std::vector<const TUniProvider*>& Registry() {
    static std::vector<const TUniProvider*> providers;
    return providers;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
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
        if (EqualIgnoringCase(provider->ProviderName(), name))
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
