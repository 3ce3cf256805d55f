#pragma once

#include <memory>
#include <string>
#include <utility>

namespace Brindle {

// Any error value, described as the platform's error objects describe themselves: a domain, a code
// within it and a text meant for the user.
class Error {
public:
    virtual ~Error() = default;

    // The error type's qualified name unless a subclass says otherwise.
    virtual std::string domain() const;
    virtual int code() const { return 1; }
    virtual std::string localizedDescription() const = 0;
};

using AnyError = std::shared_ptr<const Error>;

// An error known only by its domain, code and text (a transfer error, a foreign exception).
class SystemError : public Error {
public:
    SystemError(std::string domain, int code, std::string localizedDescription)
        : domain_(std::move(domain)), code_(code), localizedDescription_(std::move(localizedDescription)) {}

    std::string domain() const override { return domain_; }
    int code() const override { return code_; }
    std::string localizedDescription() const override { return localizedDescription_; }

private:
    std::string domain_;
    int code_;
    std::string localizedDescription_;
};

}  // namespace Brindle
