#pragma once

#include "Velmora/shell/Application.h"

namespace Velmora {

// The application's services with the program's own windows: the settings and onboarding windows
// on the main screen, and the bars.
Application::Services applicationWindowServices(Application::Services services = {});

}  // namespace Velmora
