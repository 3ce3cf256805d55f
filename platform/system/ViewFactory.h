#pragma once

#include <functional>
#include <utility>

namespace platform {

// "A view to present", carried by models that must not know the view toolkit. Only the Qt side
// makes one (from a function building a widget) and turns it into a widget again.
class ViewFactory {
public:
    // Returns a new top-level view that the caller owns.
    using Make = std::function<void*()>;

    ViewFactory() = default;
    explicit ViewFactory(Make make) : make_(std::move(make)) {}

    explicit operator bool() const { return static_cast<bool>(make_); }
    void* make() const { return make_ ? make_() : nullptr; }

private:
    Make make_;
};

}  // namespace platform
