#pragma once

#include <memory>
#include <optional>
#include <string>

namespace platform {

enum class LoginItemStatus { notRegistered, enabled, requiresApproval, notFound };

// The program as an item started at login.
class LoginItems {
public:
    virtual ~LoginItems() = default;

    // The installed system's.
    static std::shared_ptr<LoginItems> shared();

    // The error text when the system refused.
    virtual std::optional<std::string> registerMainApp() = 0;
    virtual std::optional<std::string> unregisterMainApp() = 0;
    virtual LoginItemStatus status() = 0;
};

}  // namespace platform
