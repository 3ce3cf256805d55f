#include "platform/foundation/URLSession.h"

#include <curl/curl.h>
#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/base/MainQueue.h"

namespace platform {
namespace {

bool sameField(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// A field that would break the request's header block (a line break smuggling in another field) is
// not sent.
bool isSendable(const std::string& name, const std::string& value) {
    auto breaksLine = [](char c) { return c == '\r' || c == '\n' || c == '\0'; };
    if (name.empty() || std::any_of(name.begin(), name.end(), breaksLine) ||
        name.find(':') != std::string::npos || name.find(' ') != std::string::npos)
        return false;
    return std::none_of(value.begin(), value.end(), breaksLine);
}

URLError errorForCurlCode(CURLcode code) {
    switch (code) {
        case CURLE_OPERATION_TIMEDOUT:
            return URLError::make(URLError::timedOut);
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return URLError::make(URLError::cannotFindHost);
        case CURLE_COULDNT_CONNECT:
            return URLError::make(URLError::cannotConnectToHost);
        case CURLE_GOT_NOTHING:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_PARTIAL_FILE:
        case CURLE_HTTP2:
        case CURLE_HTTP2_STREAM:
            return URLError::make(URLError::networkConnectionLost);
        case CURLE_UNSUPPORTED_PROTOCOL:
            return URLError::make(URLError::unsupportedURL);
        case CURLE_URL_MALFORMAT:
            return URLError::make(URLError::badURL);
        case CURLE_TOO_MANY_REDIRECTS:
            return URLError::make(URLError::httpTooManyRedirects);
        case CURLE_FILESIZE_EXCEEDED:
            return URLError::make(URLError::dataLengthExceedsMaximum);
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_BAD_CONTENT_ENCODING:
            return URLError::make(URLError::badServerResponse);
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_INVALIDCERTSTATUS:
            return URLError::make(URLError::secureConnectionFailed);
        default:
            return URLError::make(URLError::unknown);
    }
}

struct Transfer {
    URLRequest request;
    URLSession::CompletionHandler completion;
    URLSession::ProgressHandler progress;

    CURL* easy = nullptr;
    curl_slist* headers = nullptr;
    std::string body;  // what libcurl sends; it keeps only a pointer
    std::string received;
    curl_off_t reportedSent = 0;
    bool tooLarge = false;

    explicit Transfer(URLRequest request) : request(std::move(request)) {}
    ~Transfer() {
        if (easy) curl_easy_cleanup(easy);
        curl_slist_free_all(headers);
    }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;
};

std::size_t receive(char* data, std::size_t size, std::size_t count, void* context) {
    auto* transfer = static_cast<Transfer*>(context);
    // The bytes arrive decoded, so a small compressed body cannot expand past the limit either.
    if (size * count > transfer->request.maximumBodySize() - transfer->received.size()) {
        transfer->tooLarge = true;
        return 0;
    }
    transfer->received.append(data, size * count);
    return size * count;
}

int reportProgress(void* context, curl_off_t, curl_off_t, curl_off_t totalToSend, curl_off_t sent) {
    auto* transfer = static_cast<Transfer*>(context);
    if (transfer->progress && sent > transfer->reportedSent) {
        const auto step = sent - transfer->reportedSent;
        transfer->reportedSent = sent;
        MainQueue::async([progress = transfer->progress, step, sent, totalToSend] {
            progress(static_cast<std::int64_t>(step), static_cast<std::int64_t>(sent),
                     static_cast<std::int64_t>(totalToSend));
        });
    }
    return 0;
}

// Both curl_global_init and libcurl's own set-up of the multi handle must come before the I/O thread.
std::once_flag globalInitOnce;

class Engine {
public:
    static Engine& shared() {
        // Never destroyed: the I/O thread may still be waiting in libcurl when the process exits.
        static Engine* engine = new Engine;
        return *engine;
    }

    void submit(std::unique_ptr<Transfer> transfer) {
        bool start = false;
        {
            std::lock_guard lock(mutex_);
            incoming_.push_back(std::move(transfer));
            start = !threadRunning_;
            threadRunning_ = true;
        }
        if (start)
            std::thread([this] { run(); }).detach();
        else
            curl_multi_wakeup(multi_);
    }

private:
    Engine() {
        URLSession::globalInit();
        multi_ = curl_multi_init();
        if (!multi_) {
            std::fputs("Fatal error: libcurl could not start\n", stderr);
            std::abort();
        }
        // As many connections to one server at a time as the platform's sessions open by default;
        // more requests wait for one of them.
        curl_multi_setopt(multi_, CURLMOPT_MAX_HOST_CONNECTIONS, 6L);
    }

    void run() {
        for (;;) {
            std::deque<std::unique_ptr<Transfer>> arrived;
            {
                std::lock_guard lock(mutex_);
                arrived.swap(incoming_);
            }
            for (auto& transfer : arrived) begin(std::move(transfer));

            int running = 0;
            curl_multi_perform(multi_, &running);
            int left = 0;
            while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
                if (message->msg == CURLMSG_DONE) finish(message->easy_handle, message->data.result);
            }
            // With nothing to do the thread ends; the next submission starts another.
            if (running == 0) {
                std::lock_guard lock(mutex_);
                if (incoming_.empty()) {
                    threadRunning_ = false;
                    return;
                }
                continue;
            }
            curl_multi_poll(multi_, nullptr, 0, 1000, nullptr);
        }
    }

    void begin(std::unique_ptr<Transfer> transfer) {
        CURL* easy = curl_easy_init();
        if (!easy) {
            complete(std::move(transfer), URLError::make(URLError::unknown));
            return;
        }
        transfer->easy = easy;
        configure(*transfer);
        if (curl_multi_add_handle(multi_, easy) != CURLM_OK) {
            complete(std::move(transfer), URLError::make(URLError::unknown));
            return;
        }
        transfer.release();  // owned through CURLOPT_PRIVATE until it finishes
    }

    static void configure(Transfer& transfer) {
        CURL* easy = transfer.easy;
        const auto& request = transfer.request;
        const auto& url = request.url().absoluteString();
        const auto scheme = request.url().scheme();
        const bool plainHTTP = scheme && sameField(*scheme, "http");

        curl_easy_setopt(easy, CURLOPT_PRIVATE, &transfer);
        curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 16L);
        curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, plainHTTP ? "http,https" : "https");
        curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");

        auto seconds = request.timeoutInterval();
        long wholeSeconds =
            std::isfinite(seconds) && seconds > 0 ? std::max(1L, static_cast<long>(std::ceil(seconds))) : 60L;
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, wholeSeconds);
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, wholeSeconds);
        if (auto limit = request.resourceTimeout(); limit && std::isfinite(*limit) && *limit > 0)
            curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS,
                             std::max(1L, static_cast<long>(std::ceil(*limit * 1000))));
        // A declared length over the limit is refused before any of the body is read.
        curl_easy_setopt(
            easy, CURLOPT_MAXFILESIZE_LARGE,
            static_cast<curl_off_t>(std::min<std::uint64_t>(request.maximumBodySize(), INT64_MAX)));

        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, receive);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
        curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, reportProgress);
        curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &transfer);
        curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);

        bool hasContentType = false;
        for (const auto& [name, value] : request.allHTTPHeaderFields()) {
            if (!isSendable(name, value)) continue;
            if (sameField(name, "Content-Type")) hasContentType = true;
            // "Name;" is libcurl's way of sending a field with an empty value.
            auto line = value.empty() ? name + ";" : name + ": " + value;
            transfer.headers = curl_slist_append(transfer.headers, line.c_str());
        }
        // No "Expect: 100-continue" round trip, and no form type that the caller did not set.
        transfer.headers = curl_slist_append(transfer.headers, "Expect:");
        if (!hasContentType) transfer.headers = curl_slist_append(transfer.headers, "Content-Type:");
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, transfer.headers);

        const auto& method = request.httpMethod();
        const bool sendsBody = request.httpBody() || method == "POST" || method == "PUT" || method == "PATCH";
        if (sendsBody) {
            transfer.body = request.httpBody().value_or("");
            curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                             static_cast<curl_off_t>(transfer.body.size()));
            curl_easy_setopt(easy, CURLOPT_POSTFIELDS, transfer.body.data());
            if (method != "POST") curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, method.c_str());
        } else if (method == "GET") {
            curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
        } else {
            curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, method.c_str());
        }
    }

    void finish(CURL* easy, CURLcode result) {
        Transfer* raw = nullptr;
        curl_easy_getinfo(easy, CURLINFO_PRIVATE, &raw);
        curl_multi_remove_handle(multi_, easy);
        std::unique_ptr<Transfer> transfer(raw);
        if (result != CURLE_OK) {
            auto error = transfer->tooLarge ? URLError::make(URLError::dataLengthExceedsMaximum)
                                            : errorForCurlCode(result);
            complete(std::move(transfer), std::move(error));
            return;
        }
        long status = 0;
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
        char* effective = nullptr;
        curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &effective);
        auto finalURL = effective ? URL::fromString(effective) : std::nullopt;
        HTTPURLResponse response{finalURL.value_or(transfer->request.url()), static_cast<int>(status)};
        MainQueue::async([completion = std::move(transfer->completion), data = std::move(transfer->received),
                          response = std::move(response)]() mutable {
            completion(std::move(data), std::move(response), std::nullopt);
        });
    }

    static void complete(std::unique_ptr<Transfer> transfer, URLError error) {
        MainQueue::async([completion = std::move(transfer->completion), error = std::move(error)]() mutable {
            completion(std::nullopt, std::nullopt, std::move(error));
        });
    }

    CURLM* multi_ = nullptr;
    std::mutex mutex_;
    std::deque<std::unique_ptr<Transfer>> incoming_;
    bool threadRunning_ = false;
};

}  // namespace

void URLRequest::setValue(std::string_view value, std::string_view field) {
    for (auto& [name, existing] : headers_) {
        if (sameField(name, field)) {
            existing = value;
            return;
        }
    }
    headers_.emplace_back(field, value);
}

void URLRequest::addValue(std::string_view value, std::string_view field) {
    for (auto& [name, existing] : headers_) {
        if (sameField(name, field)) {
            existing += ",";
            existing += value;
            return;
        }
    }
    headers_.emplace_back(field, value);
}

std::optional<std::string> URLRequest::value(std::string_view field) const {
    for (const auto& [name, existing] : headers_) {
        if (sameField(name, field)) return existing;
    }
    return std::nullopt;
}

URLError URLError::make(Code code) {
    const char* text = "An unknown error occurred.";
    switch (code) {
        case unknown:
            break;
        case cancelled:
            text = "cancelled";
            break;
        case badURL:
            text = "bad URL";
            break;
        case timedOut:
            text = "The request timed out.";
            break;
        case unsupportedURL:
            text = "unsupported URL";
            break;
        case cannotFindHost:
            text = "A server with the specified hostname could not be found.";
            break;
        case cannotConnectToHost:
            text = "Could not connect to the server.";
            break;
        case networkConnectionLost:
            text = "The network connection was lost.";
            break;
        case httpTooManyRedirects:
            text = "too many HTTP redirects";
            break;
        case badServerResponse:
            text = "bad server response";
            break;
        case dataLengthExceedsMaximum:
            text = "resource exceeds maximum size";
            break;
        case secureConnectionFailed:
            text = "An SSL error has occurred and a secure connection to the server cannot be made.";
            break;
    }
    return URLError{code, text};
}

void URLSession::globalInit() {
    std::call_once(globalInitOnce, [] {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
            std::fputs("Fatal error: libcurl could not be initialised\n", stderr);
            std::abort();
        }
    });
}

std::shared_ptr<URLSession> URLSession::make() { return std::make_shared<URLSession>(); }

void URLSession::dataTask(URLRequest request, CompletionHandler completion, ProgressHandler progress) {
    start(std::move(request), std::move(completion), std::move(progress));
}

void URLSession::uploadTask(URLRequest request, CompletionHandler completion, ProgressHandler progress) {
    start(std::move(request), std::move(completion), std::move(progress));
}

void URLSession::start(URLRequest request, CompletionHandler completion, ProgressHandler progress) {
    auto transfer = std::make_unique<Transfer>(std::move(request));
    transfer->completion = std::move(completion);
    transfer->progress = std::move(progress);
    Engine::shared().submit(std::move(transfer));
}

}  // namespace platform
