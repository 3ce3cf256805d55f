#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "Brindle/JSONCoding.h"
#include "Brindle/Object.h"
#include "Brindle/RestTypes.h"
#include "platform/foundation/URLSession.h"
#include "rx/BehaviorRelay.h"
#include "rx/Observable.h"

// The REST client.
namespace Brindle {

// The result object of a typed request with its body type erased, so that data sources can take
// typed requests through a virtual function.
class TypedResult {
public:
    virtual ~TypedResult() = default;

    // The body type's qualified name ("Module.TypeName").
    virtual std::string typeName() const = 0;

    struct Decoded {
        // The body's technical messages when it carries the server's status fields.
        std::vector<std::string> technicalMessages;
        // Calls `onSuccess` with the decoded body.
        std::function<void()> deliver;
    };
    // Decodes the body as JSON; throws DecodingError, or whatever else the type's decoding throws.
    virtual Decoded decode(ResponseStatusCode statusCode, const Data& body) const = 0;
    virtual void fail(const AnyError& error) const = 0;
    virtual bool hasProgress() const = 0;
    virtual void progress(double fraction) const = 0;

    // A result object of the same type whose success and failure first call these callbacks, then
    // `after`.
    virtual std::shared_ptr<TypedResult> followedBy(std::function<void()> after) const = 0;
};

template <class T>
class TypedResultOf final : public TypedResult {
public:
    explicit TypedResultOf(std::shared_ptr<NetworkResult<T>> result) : result_(std::move(result)) {}

    std::string typeName() const override { return qualifiedTypeName(typeid(T)); }

    Decoded decode(ResponseStatusCode statusCode, const Data& body) const override {
        auto value = decodeJSON<T>(body);
        Decoded decoded;
        if constexpr (std::is_base_of_v<SharedResponseBody, T>)
            decoded.technicalMessages = value.technicalMessages();
        decoded.deliver = [result = result_, statusCode, value = std::move(value)]() mutable {
            result->onSuccess()(std::make_shared<Response<T>>(statusCode, std::move(value)));
        };
        return decoded;
    }

    void fail(const AnyError& error) const override { result_->onFailed()(error); }
    bool hasProgress() const override { return static_cast<bool>(result_->onProgress()); }
    void progress(double fraction) const override {
        if (result_->onProgress()) result_->onProgress()(fraction);
    }

    std::shared_ptr<TypedResult> followedBy(std::function<void()> after) const override {
        auto wrapping = make<NetworkResult<T>>(
            [result = result_, after](std::shared_ptr<Response<T>> response) {
                result->onSuccess()(std::move(response));
                after();
            },
            [result = result_, after](AnyError error) {
                result->onFailed()(std::move(error));
                after();
            },
            [result = result_](double fraction) {
                if (result->onProgress()) result->onProgress()(fraction);
            });
        return std::make_shared<TypedResultOf<T>>(std::move(wrapping));
    }

private:
    std::shared_ptr<NetworkResult<T>> result_;
};

// A back end of requests. Every outcome arrives on the main thread.
class DataSource {
public:
    virtual ~DataSource() = default;

    // Sends the request and decodes the reply's body from JSON as `T`.
    template <class T>
    void request(const RequestData& request, std::shared_ptr<NetworkResult<T>> result) {
        requestTyped(request, std::make_shared<TypedResultOf<T>>(std::move(result)));
    }
    virtual void requestTyped(const RequestData& request, std::shared_ptr<TypedResult> result) = 0;

    // Sends the request and hands over the reply's body as it came.
    virtual void requestRaw(const RequestData& request, std::shared_ptr<NetworkResult<Data>> result) = 0;
};

// Sends requests over HTTP to a base address followed by each request's path.
//
// Any reply counts as a success, whatever its status. Transfer failures become BackendError: a lost
// connection `noConnection`, any other the transfer error wrapped in `error`. An address that does
// not parse fails the same way, asynchronously. Upload progress goes to the request whose body is
// being sent.
class OnlineDataSource : public Object, public DataSource {
public:
    explicit OnlineDataSource(std::string url) : url_(std::move(url)) {}

    const std::string& url() const { return url_; }
    // Made by the first request and kept.
    std::shared_ptr<platform::URLSession> session();

    // Limits of every request sent from then on: the reply's decoded body size (1 MiB unless set)
    // and the whole transfer's time (ten minutes unless set). Past either the request fails.
    void setMaximumBodySize(std::uint64_t bytes) { maximumBodySize_ = bytes; }
    void setResourceTimeout(double seconds) { resourceTimeout_ = seconds; }

    void requestRaw(const RequestData& request, std::shared_ptr<NetworkResult<Data>> result) override;
    void requestTyped(const RequestData& request, std::shared_ptr<TypedResult> result) override;

private:
    const std::string url_;
    std::atomic<std::uint64_t> maximumBodySize_ = platform::URLRequest::defaultMaximumBodySize;
    std::atomic<double> resourceTimeout_ = 600;
    std::once_flag sessionOnce_;
    std::shared_ptr<platform::URLSession> session_;
};

// Typed requests sent through any DataProvider whose outcome has not been delivered yet.
const rx::BehaviorRelay<int>& runningRequestCount();
// Whether that count is above 0: the current state at once, then again on every change of the count.
rx::Observable<bool> isLoading();

// Holds any data source and counts the typed requests in flight, process-wide.
class DataProvider : public Object, public DataSource {
public:
    explicit DataProvider(std::shared_ptr<DataSource> source) : source_(std::move(source)) {}

    const std::shared_ptr<DataSource>& source() const { return source_; }

    // Counted from the call until the outcome has been delivered to the caller.
    void requestTyped(const RequestData& request, std::shared_ptr<TypedResult> result) override;
    // Not counted.
    void requestRaw(const RequestData& request, std::shared_ptr<NetworkResult<Data>> result) override;

private:
    const std::shared_ptr<DataSource> source_;
};

}  // namespace Brindle
