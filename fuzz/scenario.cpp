// A desktop scenario file, and the property list its bundles get, read back.
#include "platform/sim/Scenario.h"

#include <cstddef>
#include <cstdint>
#include <string>

#include "Velmora/tracking/PropertyList.h"
#include "platform/sim/BundleWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto parsed =
        platform::sim::Scenario::parse(std::string(reinterpret_cast<const char*>(data), size), "/tmp");
    if (auto* scenario = std::get_if<platform::sim::Scenario>(&parsed)) {
        for (const auto* list : {&scenario->applications, &scenario->installed}) {
            for (const auto& application : *list) {
                (void)Velmora::propertyListFromBytes(platform::sim::infoPropertyList(application));
            }
        }
    }
    return 0;
}
