#include "Velmora/settings/EventManager.h"

#include "Brindle/Object.h"

namespace Velmora {

std::shared_ptr<EventManager> EventManager::shared() {
    static auto* instance = new std::shared_ptr<EventManager>(Brindle::make<EventManager>());
    return *instance;
}

}  // namespace Velmora
