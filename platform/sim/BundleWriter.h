#pragma once

#include <string>

#include "platform/sim/Scenario.h"

namespace platform::sim {

// The property list of an application bundle, as XML.
std::string infoPropertyList(const ApplicationDescription& description);

// Makes (or brings up to date) the bundle folder of a description that has one, through the file
// manager: Contents/Info.plist and, with an icon, Contents/Resources/AppIcon.png.
void writeBundle(const ApplicationDescription& description);
void removeBundle(const std::string& path);

}  // namespace platform::sim
