#include "Brindle/Object.h"

#include <cxxabi.h>
#include <fmt/format.h>

#include <cstdlib>

namespace Brindle {

std::string qualifiedTypeName(const std::type_info& type) {
    int status = 0;
    char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : type.name();
    std::free(demangled);
    for (std::size_t at = name.find("::"); at != std::string::npos; at = name.find("::", at + 1))
        name.replace(at, 2, ".");
    return name;
}

std::string Object::description() const {
    return fmt::format("<{}: {}>", qualifiedTypeName(typeid(*this)), static_cast<const void*>(this));
}

}  // namespace Brindle
