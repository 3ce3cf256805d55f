#pragma once

#include <memory>
#include <string>
#include <typeinfo>
#include <utility>

namespace Brindle {

// Root of every reference type. Objects are made with `make<T>(...)`, which constructs them and
// then calls `postInit()` once: the second phase, where an object may call its own overrides
// and hand out `shared_from_this()`, neither of which a C++ constructor can do.
class Object : public std::enable_shared_from_this<Object> {
public:
    virtual ~Object() = default;

    // "<Module.TypeName: 0x…>", the module being the namespace.
    virtual std::string description() const;

    // Second phase of creation; overrides call the base first. Only `make` calls it.
    virtual void postInit() {}

    template <class T>
    std::shared_ptr<T> sharedAs() {
        return std::static_pointer_cast<T>(shared_from_this());
    }
    template <class T>
    std::shared_ptr<const T> sharedAs() const {
        return std::static_pointer_cast<const T>(shared_from_this());
    }
    template <class T>
    std::weak_ptr<T> weakAs() {
        return sharedAs<T>();
    }
};

// "Module.TypeName" for a C++ type: the demangled name with "::" written as ".".
std::string qualifiedTypeName(const std::type_info& type);

template <class T, class... Args>
std::shared_ptr<T> make(Args&&... args) {
    auto object = std::make_shared<T>(std::forward<Args>(args)...);
    object->postInit();
    return object;
}

}  // namespace Brindle
