#include "Brindle/OnlineDataSource.h"

#include <exception>
#include <mutex>

#include "Brindle/Logging.h"
#include "Brindle/UTF8.h"
#include "platform/base/MainQueue.h"

namespace Brindle {
namespace {

const char* httpMethod(APIMethod method) {
    switch (method) {
        case APIMethod::post:
            return "POST";
        case APIMethod::get:
            return "GET";
        case APIMethod::put:
            return "PUT";
        case APIMethod::patch:
            return "PATCH";
        case APIMethod::delete_:
            return "DELETE";
    }
    return "GET";
}

AnyError transferError(const platform::URLError& error) {
    return std::make_shared<SystemError>(platform::URLError::domain, error.code, error.localizedDescription);
}

void failLater(std::shared_ptr<NetworkResult<Data>> result, AnyError error) {
    platform::MainQueue::async(
        [result = std::move(result), error = std::move(error)] { result->onFailed()(error); });
}

void log(const std::string& line) { Logging::shared()->log(line); }

std::recursive_mutex& counterMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

// Reading and storing under one lock, so that requests started on other threads while outcomes
// arrive on the main thread lose no change. The relay tells its observers while the lock is held,
// and one of them may start a request: hence a recursive lock.
void changeRunningRequestCount(int change) {
    std::lock_guard lock(counterMutex());
    const auto& count = runningRequestCount();
    count.accept(count.value() + change);
}

}  // namespace

const rx::BehaviorRelay<int>& runningRequestCount() {
    static const auto* count = new rx::BehaviorRelay<int>(0);
    return *count;
}

rx::Observable<bool> isLoading() {
    return runningRequestCount().map([](int count) { return count > 0; });
}

std::shared_ptr<platform::URLSession> OnlineDataSource::session() {
    std::call_once(sessionOnce_, [this] { session_ = platform::URLSession::make(); });
    return session_;
}

void OnlineDataSource::requestRaw(const RequestData& request, std::shared_ptr<NetworkResult<Data>> result) {
    auto address = platform::URL::fromString(url_ + request.path());
    if (!address) {
        failLater(std::move(result), std::make_shared<BackendError>(BackendError::error(transferError(
                                         platform::URLError::make(platform::URLError::badURL)))));
        return;
    }

    platform::URLRequest urlRequest(*address, 60);
    urlRequest.setMaximumBodySize(maximumBodySize_);
    urlRequest.setResourceTimeout(resourceTimeout_.load());
    urlRequest.setValue("application/json", "Accept");
    bool hasContentType = false;
    for (const auto& [field, value] : request.headers()) {
        urlRequest.setValue(value, field);
        if (field == "Content-Type") hasContentType = true;
    }
    // Only this exact spelling counts as the caller's own; "content-type" gets the default added to it.
    if (!hasContentType) urlRequest.addValue("application/json", "Content-Type");
    urlRequest.setHTTPMethod(httpMethod(request.method()));
    // Bodies shorter than five bytes are not sent: a body that short was never meant to be one
    // (an encoded "null", an empty object or list).
    if (request.body() && request.body()->size() >= 5) urlRequest.setHTTPBody(*request.body());

    auto completion = [result](std::optional<std::string> data,
                               std::optional<platform::HTTPURLResponse> response,
                               std::optional<platform::URLError> error) {
        const int status = response ? response->statusCode : 0;
        if (data) {
            result->onSuccess()(
                std::make_shared<Response<Data>>(responseStatusCodeFrom(status), std::move(*data)));
            return;
        }
        AnyError failure;
        if (error && error->code == platform::URLError::networkConnectionLost)
            failure = std::make_shared<BackendError>(BackendError::noConnection());
        else if (error)
            failure = std::make_shared<BackendError>(BackendError::error(transferError(*error)));
        else
            failure = std::make_shared<BackendError>(
                BackendError::generic(responseStatusCodeFrom(status), 0, "Couldn't get any data"));
        failLater(result, std::move(failure));
    };
    // Held weakly: a request's progress never keeps its result object alive.
    auto progress = [weakResult = std::weak_ptr<NetworkResult<Data>>(result)](std::int64_t, std::int64_t sent,
                                                                              std::int64_t expected) {
        auto result = weakResult.lock();
        if (!result || !result->onProgress() || expected <= 0) return;
        result->onProgress()(static_cast<double>(sent) / static_cast<double>(expected));
    };

    if (request.uploadTask())
        session()->uploadTask(std::move(urlRequest), std::move(completion), std::move(progress));
    else
        session()->dataTask(std::move(urlRequest), std::move(completion), std::move(progress));
}

void OnlineDataSource::requestTyped(const RequestData& request, std::shared_ptr<TypedResult> result) {
    auto onSuccess = [path = request.path(), result](std::shared_ptr<Response<Data>> response) {
        const auto statusCode = response->statusCode();
        const auto typeName = result->typeName();
        try {
            auto decoded = result->decode(statusCode, response->body());
            for (const auto& message : decoded.technicalMessages) log("BACKEND: " + message);
            platform::MainQueue::async(std::move(decoded.deliver));
            return;
        } catch (const DecodingError& error) {
            if (error.kind() == DecodingError::Kind::typeMismatch) {
                log(error.expectedType());
                log(error.contextDescription());
            }
            log("Got error for " + typeName + ": " + error.debugDescription());
            log("Request: " + path);
            if (statusCode == ResponseStatusCode::NOT_FOUND) {
                log("NOT FOUND");
            } else {
                log("Response: ");
                log(decodingUTF8(response->body()));
            }
            auto failure = std::make_shared<BackendError>(BackendError::responseParsingError(
                error.localizedDescription(), error.debugDescription(), typeName));
            platform::MainQueue::async([result, failure] { result->fail(failure); });
            return;
        } catch (const Error& error) {
            auto failure = std::make_shared<BackendError>(
                BackendError::generic(statusCode, error.code(), error.localizedDescription()));
            platform::MainQueue::async([result, failure] { result->fail(failure); });
        } catch (const std::exception& error) {
            auto failure = std::make_shared<BackendError>(BackendError::generic(statusCode, 1, error.what()));
            platform::MainQueue::async([result, failure] { result->fail(failure); });
        }
    };
    auto inner = make<NetworkResult<Data>>(
        std::move(onSuccess), [result](AnyError error) { result->fail(error); },
        [result](double fraction) { result->progress(fraction); });
    requestRaw(request, std::move(inner));
}

void DataProvider::requestTyped(const RequestData& request, std::shared_ptr<TypedResult> result) {
    changeRunningRequestCount(1);
    source_->requestTyped(request, result->followedBy([] { changeRunningRequestCount(-1); }));
}

void DataProvider::requestRaw(const RequestData& request, std::shared_ptr<NetworkResult<Data>> result) {
    source_->requestRaw(request, std::move(result));
}

}  // namespace Brindle
