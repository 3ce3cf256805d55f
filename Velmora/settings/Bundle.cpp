#include "Velmora/settings/Bundle.h"

#include <charconv>
#include <mutex>
#include <string_view>
#include <utility>

#include "Brindle/Object.h"

// The build defines both; these keep a build without them working.
#ifndef VELMORA_SHORT_VERSION
#define VELMORA_SHORT_VERSION "1.0.0"
#endif
#ifndef VELMORA_BUILD_NUMBER
#define VELMORA_BUILD_NUMBER "1"
#endif

namespace Velmora {
namespace {

std::shared_ptr<const Bundle> programBundle() {
    // Never destroyed, as shared objects are not.
    static const auto* bundle =
        new std::shared_ptr<const Bundle>(Brindle::make<Bundle>(Bundle::InfoDictionary{
            {"CFBundleShortVersionString", VELMORA_SHORT_VERSION},
            {"CFBundleVersion", VELMORA_BUILD_NUMBER},
        }));
    return *bundle;
}

std::mutex& mainMutex() {
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<const Bundle>& replacement() {
    static auto* bundle = new std::shared_ptr<const Bundle>();
    return *bundle;
}

// An optional sign and decimal digits only, within range: what the platform's integer parsing takes.
std::optional<std::int64_t> decimalInteger(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (text.empty() || text.front() == '-') return std::nullopt;
    }
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

std::shared_ptr<const Bundle> Bundle::main() {
    std::lock_guard lock(mainMutex());
    return replacement() ? replacement() : programBundle();
}

std::shared_ptr<const Bundle> Bundle::setMain(std::shared_ptr<const Bundle> bundle) {
    std::lock_guard lock(mainMutex());
    return std::exchange(replacement(), std::move(bundle));
}

const std::string* Bundle::text(const std::string& key) const {
    if (!infoDictionary_) return nullptr;
    auto found = infoDictionary_->find(key);
    return found == infoDictionary_->end() ? nullptr : found->second.stringValue();
}

std::optional<std::int64_t> Bundle::buildVersionNumber() const {
    const auto* value = text("CFBundleVersion");
    if (!value) return std::nullopt;
    return decimalInteger(*value);
}

std::optional<std::string> Bundle::releaseVersionNumber() const {
    const auto* value = text("CFBundleShortVersionString");
    if (!value) return std::nullopt;
    return *value;
}

}  // namespace Velmora
