#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/base/TimeInterval.h"
#include "platform/foundation/URL.h"

namespace platform {

// One HTTP request. Header names compare without regard to letter case, as HTTP has them.
class URLRequest {
public:
    explicit URLRequest(URL url, TimeInterval timeoutInterval = 60)
        : url_(std::move(url)), timeoutInterval_(timeoutInterval) {}

    const URL& url() const { return url_; }
    // Seconds without any data moving (and the longest wait for a connection) before the request
    // fails as timed out. The transfer library counts whole seconds: a fraction rounds up, to at
    // least one.
    TimeInterval timeoutInterval() const { return timeoutInterval_; }

    // The longest a whole transfer may take, however steadily data moves; it then fails as timed out.
    // None: no limit beyond `timeoutInterval`.
    std::optional<TimeInterval> resourceTimeout() const { return resourceTimeout_; }
    void setResourceTimeout(std::optional<TimeInterval> seconds) { resourceTimeout_ = seconds; }

    // The most body bytes the reply may have once decoded (a compressed body counts as it expands).
    // A longer reply ends the transfer, which fails with `dataLengthExceedsMaximum`.
    static constexpr std::uint64_t defaultMaximumBodySize = 1u << 20;
    std::uint64_t maximumBodySize() const { return maximumBodySize_; }
    void setMaximumBodySize(std::uint64_t bytes) { maximumBodySize_ = bytes; }

    const std::string& httpMethod() const { return httpMethod_; }
    void setHTTPMethod(std::string method) { httpMethod_ = std::move(method); }

    const std::optional<std::string>& httpBody() const { return httpBody_; }
    void setHTTPBody(std::optional<std::string> body) { httpBody_ = std::move(body); }

    // Replaces the field of that name, or adds it.
    void setValue(std::string_view value, std::string_view field);
    // Appends to the field of that name after a ",", or adds it.
    void addValue(std::string_view value, std::string_view field);
    std::optional<std::string> value(std::string_view field) const;
    // In the order the fields were first set.
    const std::vector<std::pair<std::string, std::string>>& allHTTPHeaderFields() const { return headers_; }

private:
    URL url_;
    TimeInterval timeoutInterval_;
    std::optional<TimeInterval> resourceTimeout_;
    std::uint64_t maximumBodySize_ = defaultMaximumBodySize;
    std::string httpMethod_ = "GET";
    std::optional<std::string> httpBody_;
    std::vector<std::pair<std::string, std::string>> headers_;
};

struct HTTPURLResponse {
    URL url;  // after redirects
    int statusCode = 0;
};

// Why a request brought no reply, with the platform's codes and texts.
struct URLError {
    enum Code : int {
        unknown = -1,
        cancelled = -999,
        badURL = -1000,
        timedOut = -1001,
        unsupportedURL = -1002,
        cannotFindHost = -1003,
        cannotConnectToHost = -1004,
        networkConnectionLost = -1005,
        httpTooManyRedirects = -1007,
        badServerResponse = -1011,
        dataLengthExceedsMaximum = -1103,
        secureConnectionFailed = -1200,
    };
    static constexpr const char* domain = "platform.URLError";

    int code = unknown;
    std::string localizedDescription;

    static URLError make(Code code);
};

// Sends HTTP requests through libcurl. Every request of every session runs on one process-wide I/O
// thread; completions and progress reports are delivered on the main queue. Redirects are followed
// to https addresses, and to http ones when the request itself was http. Sessions are cheap handles:
// a request keeps running (and is completed) after its session is gone.
class URLSession {
public:
    // The reply's body and response, or the error; exactly one call per request, after every progress
    // report of that request.
    using CompletionHandler =
        std::function<void(std::optional<std::string> data, std::optional<HTTPURLResponse> response,
                           std::optional<URLError> error)>;
    // Bytes of the body sent since the last report, in total, and expected in total.
    using ProgressHandler = std::function<void(std::int64_t bytesSent, std::int64_t totalBytesSent,
                                               std::int64_t totalBytesExpectedToSend)>;

    // libcurl's process-wide set-up. The program calls it in `main` before starting any thread; the
    // first request calls it too, once, for programs (tests) that did not.
    static void globalInit();

    static std::shared_ptr<URLSession> make();

    // Both start at once and send the request's own body; progress is reported while a body is sent.
    void dataTask(URLRequest request, CompletionHandler completion, ProgressHandler progress = nullptr);
    void uploadTask(URLRequest request, CompletionHandler completion, ProgressHandler progress = nullptr);

private:
    void start(URLRequest request, CompletionHandler completion, ProgressHandler progress);
};

}  // namespace platform
