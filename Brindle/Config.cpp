#include "Brindle/Config.h"

namespace Brindle {

std::shared_ptr<Config> Config::shared() {
    static auto* instance = new std::shared_ptr<Config>(make<Config>());
    return *instance;
}

}  // namespace Brindle
