#include "Velmora/shell/AppDelegate.h"

#include <utility>

#include "Velmora/shell/AppState.h"

namespace Velmora {

AppDelegate::AppDelegate(Application::Services services)
    : application(Brindle::make<Application>(std::move(services))) {}

void AppDelegate::applicationWillTerminate() { application->willTerminate(); }

}  // namespace Velmora
