#include "Brindle/Error.h"

#include <typeinfo>

#include "Brindle/Object.h"

namespace Brindle {

std::string Error::domain() const { return qualifiedTypeName(typeid(*this)); }

}  // namespace Brindle
