#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Brindle/Object.h"
#include "Brindle/RestTypes.h"
#include "Velmora/settings/UpdateResponse.h"
#include "platform/base/Date.h"
#include "platform/base/TimeInterval.h"
#include "rx/BehaviorRelay.h"

namespace Velmora {

// Asks the update server which versions exist, keeps the last good reply in the user defaults for
// when the server cannot be reached, flags a required update and offers an optional one. Main
// thread only.
class UpdateManager : public Brindle::Object {
public:
    // The optional update is offered at most once in this many seconds (41 hours) within a run.
    static constexpr platform::TimeInterval optionalPopupInterval = 147600;

    // Made on first use with the configured base address.
    static std::shared_ptr<UpdateManager> shared();
    // $VELMORA_UPDATE_URL when set, else the update server's address; "/update/" is appended.
    static std::string configuredBaseURL();

    explicit UpdateManager(std::string baseURL = configuredBaseURL()) : baseURL_(std::move(baseURL)) {}

    const std::string& baseURL() const { return baseURL_; }

    // A request is in flight.
    bool running() const { return running_; }
    // The user-defaults key of the cached reply.
    const std::string updateInfoKey = "UpdateInfoKey";
    // The last reply handled; present whenever `requiresUpdate` holds true.
    const std::optional<UpdateResponse>& updateInfo() const { return updateInfo_; }
    void setUpdateInfo(std::optional<UpdateResponse> info) { updateInfo_ = std::move(info); }
    // When the optional-update alert was last shown; kept in memory only.
    const platform::Date& lastOptionalPopupDate() const { return lastOptionalPopupDate_; }
    void setLastOptionalPopupDate(platform::Date date) { lastOptionalPopupDate_ = date; }
    // The running build is older than the required version of the last reply handled.
    const rx::BehaviorRelay<bool> requiresUpdate{false};

    // Sends one request unless one is in flight. A reply of status 200 that decodes is handled; any
    // other reply is ignored; a failed request handles the cached reply, when there is one.
    virtual void checkForUpdate();
    // Caches the reply, then publishes false on `requiresUpdate` and true when the running build is
    // older than the required version; otherwise, when it is older than the latest one, offers the
    // download in a modal alert.
    virtual void handleUpdateResponse(const UpdateResponse& response);

private:
    void received(const Brindle::Response<Brindle::Data>& response);
    void failed();

    const std::string baseURL_;
    bool running_ = false;
    std::optional<UpdateResponse> updateInfo_;
    platform::Date lastOptionalPopupDate_ = platform::Date::fromTimeIntervalSince1970(0);
};

}  // namespace Velmora
