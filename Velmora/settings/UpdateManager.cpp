#include "Velmora/settings/UpdateManager.h"

#include <cstdlib>
#include <exception>
#include <nlohmann/json.hpp>

#include "Brindle/JSONCoding.h"
#include "Brindle/OnlineDataSource.h"
#include "Brindle/UserDefaultsValues.h"
#include "Velmora/settings/Bundle.h"
#include "platform/base/DispatchQueue.h"
#include "platform/base/MainQueue.h"
#include "platform/system/Alert.h"
#include "platform/system/Workspace.h"

namespace Velmora {
namespace {
constexpr const char* defaultBaseURL = "https://updates.velmora.app/api/v0";
constexpr const char* updatePath = "/update/";
constexpr const char* downloadButtonTitle = "Download now";
constexpr const char* cancelButtonTitle = "Cancel";
constexpr std::uint64_t maximumReplySize = 64u << 10;
constexpr double requestTimeLimit = 60;
}  // namespace

std::shared_ptr<UpdateManager> UpdateManager::shared() {
    static const auto* manager = new std::shared_ptr<UpdateManager>(Brindle::make<UpdateManager>());
    return *manager;
}

std::string UpdateManager::configuredBaseURL() {
    const char* configured = std::getenv("VELMORA_UPDATE_URL");
    return configured && *configured ? configured : defaultBaseURL;
}

void UpdateManager::checkForUpdate() {
    if (running_) return;
    running_ = true;

    auto source = Brindle::make<Brindle::OnlineDataSource>(baseURL_);
    // The reply is a few hundred bytes; nothing a server sends may take longer or more than this.
    source->setMaximumBodySize(maximumReplySize);
    source->setResourceTimeout(requestTimeLimit);
    Brindle::RequestData request(std::string("any"), updatePath, Brindle::APIMethod::get, {}, std::nullopt,
                                 false, false);
    auto weak = weakAs<UpdateManager>();
    auto result = Brindle::make<Brindle::NetworkResult<Brindle::Data>>(
        [weak](std::shared_ptr<Brindle::Response<Brindle::Data>> response) {
            if (auto self = weak.lock()) self->received(*response);
        },
        [weak](Brindle::AnyError) {
            if (auto self = weak.lock()) self->failed();
        });
    // The request outlives the data source.
    source->requestRaw(request, result);
}

void UpdateManager::received(const Brindle::Response<Brindle::Data>& response) {
    if (response.statusCode() != Brindle::ResponseStatusCode::OK_200) {
        running_ = false;
        return;
    }
    // Decoded on a worker, so that no reply can hold up the main thread; handled back on it.
    platform::DispatchQueue::global(platform::QualityOfService::utility)
        ->async([weak = weakAs<UpdateManager>(), body = response.body()] {
            std::optional<UpdateResponse> reply;
            try {
                reply = Brindle::decodeJSON<UpdateResponse>(body);
            } catch (const std::exception&) {
                // A reply that does not decode changes nothing.
            }
            platform::MainQueue::async([weak, reply = std::move(reply)] {
                auto self = weak.lock();
                if (!self) return;
                if (reply) self->handleUpdateResponse(*reply);
                self->running_ = false;
            });
        });
}

void UpdateManager::failed() {
    running_ = false;
    if (auto cached = Brindle::loadFromUserDefaults<UpdateResponse>(updateInfoKey))
        handleUpdateResponse(*cached);
}

void UpdateManager::handleUpdateResponse(const UpdateResponse& response) {
    Brindle::saveToUserDefaults(response, updateInfoKey);
    updateInfo_ = response;
    requiresUpdate.accept(false);

    const auto build = Bundle::main()->buildVersionNumber().value_or(0);
    if (build < response.required.versionCode) {
        requiresUpdate.accept(true);
        return;
    }
    if (build >= response.latest.versionCode) return;

    const auto now = platform::Date::now();
    if (now.timeIntervalSince1970() - lastOptionalPopupDate_.timeIntervalSince1970() <= optionalPopupInterval)
        return;
    lastOptionalPopupDate_ = now;

    platform::Alert alert;
    alert.messageText = response.latest.title;
    alert.informativeText = response.latest.text;
    alert.addButton(downloadButtonTitle);
    alert.addButton(cancelButtonTitle);
    if (alert.runModal() != platform::alertFirstButtonReturn) return;
    if (auto url = response.latest.downloadURL()) platform::Workspace::shared()->open(*url);
}

}  // namespace Velmora
