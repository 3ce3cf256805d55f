#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "Brindle/Error.h"
#include "Brindle/Object.h"

// The values the REST client takes and gives.
namespace Brindle {

// Bytes of a request or reply body.
using Data = std::string;

enum class APIMethod {
    post,
    get,
    put,
    patch,
    delete_,  // `delete` is a C++ keyword
};

// "post", "get", "put", "patch", "delete".
std::string rawValue(APIMethod method);
// Exactly one of the raw values, letter case included.
std::optional<APIMethod> apiMethodFromRawValue(std::string_view text);

class RequestData {
public:
    RequestData(std::any requestIdentifier, std::string path, APIMethod method,
                std::map<std::string, std::string> headers, std::optional<Data> body,
                bool requiresAuthentication, bool uploadTask)
        : requestIdentifier_(std::move(requestIdentifier)),
          path_(std::move(path)),
          method_(method),
          headers_(std::move(headers)),
          body_(std::move(body)),
          requiresAuthentication_(requiresAuthentication),
          uploadTask_(uploadTask) {}

    // The caller's tag; empty when absent. Never read by the client.
    const std::any& requestIdentifier() const { return requestIdentifier_; }
    // Appended as it stands to the data source's base address.
    const std::string& path() const { return path_; }
    APIMethod method() const { return method_; }
    const std::map<std::string, std::string>& headers() const { return headers_; }
    const std::optional<Data>& body() const { return body_; }
    // Never read by the client.
    bool requiresAuthentication() const { return requiresAuthentication_; }
    bool uploadTask() const { return uploadTask_; }

private:
    std::any requestIdentifier_;
    std::string path_;
    APIMethod method_;
    std::map<std::string, std::string> headers_;
    std::optional<Data> body_;
    bool requiresAuthentication_;
    bool uploadTask_;
};

enum class ResponseStatusCode : int {
    OK_200 = 200,
    NOT_MODIFIED_304 = 304,
    UNAUTHORIZED_401 = 401,
    BAD_REQUEST_400 = 400,
    NOT_FOUND = 404,
    UNKNOWN = 0,
};

inline int rawValue(ResponseStatusCode code) { return static_cast<int>(code); }
std::optional<ResponseStatusCode> responseStatusCodeFromRawValue(int rawValue);
// The case of that status, UNKNOWN for any other.
ResponseStatusCode responseStatusCodeFrom(int httpStatus);

class BaseResponse : public Object {
public:
    explicit BaseResponse(ResponseStatusCode statusCode) : statusCode_(statusCode) {}
    ResponseStatusCode statusCode() const { return statusCode_; }

private:
    const ResponseStatusCode statusCode_;
};

template <class T>
class Response : public BaseResponse {
public:
    Response(ResponseStatusCode statusCode, T body) : BaseResponse(statusCode), body_(std::move(body)) {}
    const T& body() const { return body_; }

private:
    const T body_;
};

// The callbacks of one request: exactly one of `onSuccess` and `onFailed` is called, on the main
// thread, after any `onProgress` calls.
template <class T>
class NetworkResult : public Object {
public:
    using SuccessHandler = std::function<void(std::shared_ptr<Response<T>> response)>;
    using FailureHandler = std::function<void(AnyError error)>;
    // The fraction of the upload sent.
    using ProgressHandler = std::function<void(double fraction)>;

    NetworkResult(SuccessHandler onSuccess, FailureHandler onFailed, ProgressHandler onProgress = nullptr)
        : onSuccess_(std::move(onSuccess)),
          onFailed_(std::move(onFailed)),
          onProgress_(std::move(onProgress)) {}

    const SuccessHandler& onSuccess() const { return onSuccess_; }
    const FailureHandler& onFailed() const { return onFailed_; }
    // Empty when the caller gave none.
    const ProgressHandler& onProgress() const { return onProgress_; }

private:
    const SuccessHandler onSuccess_;
    const FailureHandler onFailed_;
    const ProgressHandler onProgress_;
};

// The status fields a server's reply body carries.
class SharedResponseBody {
public:
    virtual ~SharedResponseBody() = default;
    virtual bool successful() const = 0;
    virtual std::optional<std::int64_t> errorCode() const = 0;
    virtual std::optional<std::string> errorMessage() const = 0;
    virtual std::optional<std::string> technicalError() const = 0;
    virtual std::vector<std::string> technicalMessages() const = 0;
};

// Base class of reply bodies. Decoding needs "technicalMessages" and "successful"; the other three
// may be missing or null. Subclasses override `encode` and `decode`, calling the base.
class EmptyResponse : public Object, public SharedResponseBody {
public:
    std::vector<std::string> technicalMessages() const override { return technicalMessages_; }
    virtual void setTechnicalMessages(std::vector<std::string> messages) {
        technicalMessages_ = std::move(messages);
    }
    bool successful() const override { return successful_; }
    virtual void setSuccessful(bool successful) { successful_ = successful; }
    std::optional<std::int64_t> errorCode() const override { return errorCode_; }
    virtual void setErrorCode(std::optional<std::int64_t> code) { errorCode_ = code; }
    std::optional<std::string> errorMessage() const override { return errorMessage_; }
    virtual void setErrorMessage(std::optional<std::string> message) { errorMessage_ = std::move(message); }
    std::optional<std::string> technicalError() const override { return technicalError_; }
    virtual void setTechnicalError(std::optional<std::string> error) { technicalError_ = std::move(error); }

    // The three optional fields are written only when present.
    virtual void encode(nlohmann::json& json) const;
    virtual void decode(const nlohmann::json& json);

private:
    std::vector<std::string> technicalMessages_;
    bool successful_ = false;
    std::optional<std::int64_t> errorCode_;
    std::optional<std::string> errorMessage_;
    std::optional<std::string> technicalError_;
};

// For EmptyResponse and every subclass: they call the virtual `encode` / `decode`.
void to_json(nlohmann::json& json, const EmptyResponse& value);
void from_json(const nlohmann::json& json, EmptyResponse& value);

// A failed request, with the text a user sees.
class BackendError : public Error {
public:
    struct Generic {
        ResponseStatusCode statusCode;
        std::int64_t code;
        std::string message;
    };
    struct ResponseParsingError {
        std::string userError;
        std::string technicalError;
        std::string typeName;
    };
    struct WrappedError {
        AnyError error;
    };
    struct NoConnection {};
    using Case = std::variant<Generic, ResponseParsingError, WrappedError, NoConnection>;

    static BackendError generic(ResponseStatusCode statusCode, std::int64_t code, std::string message) {
        return BackendError(Generic{statusCode, code, std::move(message)});
    }
    static BackendError responseParsingError(std::string userError, std::string technicalError,
                                             std::string typeName) {
        return BackendError(
            ResponseParsingError{std::move(userError), std::move(technicalError), std::move(typeName)});
    }
    static BackendError error(AnyError error) { return BackendError(WrappedError{std::move(error)}); }
    static BackendError noConnection() { return BackendError(NoConnection{}); }

    // `generic` with the response's status, the body's error code (0 when absent) and its message
    // ("" when absent).
    BackendError(const BaseResponse& response, const SharedResponseBody& body);

    const Case& value() const { return value_; }
    template <class C>
    const C* as() const {
        return std::get_if<C>(&value_);
    }

    // generic: the message, "\n\nCode: " and the code; responseParsingError: the user error, with the
    // technical error and the type name after it when Config asks for debug information; error: the
    // carried error's own text; noConnection: a fixed sentence.
    std::string errorDescription() const;
    std::string localizedDescription() const override { return errorDescription(); }
    // The case's position, as the platform numbers enumeration errors.
    int code() const override { return static_cast<int>(value_.index()); }

private:
    explicit BackendError(Case value) : value_(std::move(value)) {}

    Case value_;
};

}  // namespace Brindle
