#pragma once

#include "Brindle/Object.h"

namespace Velmora {

// The bar's per-button view model. The tracking only names it, as the element of its per-screen
// holders.
class TaskbarButtonViewModel : public Brindle::Object {};

}  // namespace Velmora
