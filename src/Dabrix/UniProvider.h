#pragma once

#include "Common/CRAccess.h"
#include "Common/CRCommand.h"
#include "Common/DAScript.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// A database provider: makes the provider connections behind the connection components and reads
// its options from their SpecificOptions. A provider is registered while it exists, so the
// presence of a provider component makes its name available to connections and the login dialog.
class TUniProvider {
public:
    virtual ~TUniProvider();
    TUniProvider(const TUniProvider&) = delete;
    TUniProvider& operator=(const TUniProvider&) = delete;

    const std::string& ProviderName() const { return providerName_; }

    virtual std::unique_ptr<TCRConnection> CreateConnection() const = 0;
    // The command that runs statements on this provider's connections.
    virtual std::unique_ptr<TCRCommand> CreateCommand() const = 0;
    // The processor that cuts scripts into statements of this provider's dialect.
    virtual std::unique_ptr<TDAScriptProcessor> CreateScriptProcessor(TDAScript& owner) const = 0;
    // Hands a connection of this provider the options of the lines "<ProviderName>.<option>=<value>";
    // an option without a line takes its default, and lines of other providers are not looked at.
    virtual void SetConnectionOptions(TCRConnection& connection,
                                      const std::vector<std::string>& specificOptions) const = 0;

protected:
    explicit TUniProvider(std::string providerName);

private:
    std::string providerName_;
};

// The registered provider of that name, compared without regard to case; none when there is none.
const TUniProvider* FindUniProvider(std::string_view name);
// The names of the registered providers, in the order they were registered.
std::vector<std::string> UniProviderNames();

} // namespace velmora
