#pragma once

#include <exception>
#include <memory>
#include <string>
#include <utility>

#include "Brindle/Error.h"
#include "Brindle/OnlineDataSource.h"
#include "Brindle/RestTypes.h"
#include "rx/BehaviorSubject.h"
#include "rx/Observable.h"

namespace brindle_core {

// Carries a toolkit error through an rx error event.
class ErrorException : public std::exception {
public:
    explicit ErrorException(Brindle::AnyError error)
        : error_(std::move(error)), text_(error_ ? error_->localizedDescription() : std::string()) {}

    const Brindle::AnyError& error() const { return error_; }
    const char* what() const noexcept override { return text_.c_str(); }

private:
    Brindle::AnyError error_;
    std::string text_;
};

// The toolkit error an rx error event carries; null for any other exception.
Brindle::AnyError errorFrom(const std::exception_ptr& error);

// A request's result object as an observable: nothing while the request runs, then the response
// and the completion, or the failure as an error event. A subscriber that comes after the outcome
// gets only the completion or the error.
template <class T>
class ObservableNetworkResult : public Brindle::NetworkResult<T> {
public:
    using ResponsePtr = std::shared_ptr<Brindle::Response<T>>;
    using ProgressHandler = typename Brindle::NetworkResult<T>::ProgressHandler;

    explicit ObservableNetworkResult(ProgressHandler onProgress = nullptr)
        : ObservableNetworkResult(rx::BehaviorSubject<ResponsePtr>(nullptr), std::move(onProgress)) {}

    rx::Observable<ResponsePtr> observable() const {
        return subject.filter([](const ResponsePtr& response) { return response != nullptr; });
    }

    // Absent (null) until the response arrives.
    const rx::BehaviorSubject<ResponsePtr> subject;

private:
    ObservableNetworkResult(rx::BehaviorSubject<ResponsePtr> subject, ProgressHandler onProgress)
        : Brindle::NetworkResult<T>(
              [subject](ResponsePtr response) {
                  subject.onNext(response);
                  subject.onCompleted();
              },
              [subject](Brindle::AnyError error) {
                  subject.onError(std::make_exception_ptr(ErrorException(std::move(error))));
              },
              [onProgress = std::move(onProgress)](double fraction) {
                  if (onProgress) onProgress(fraction);
              }),
          subject(std::move(subject)) {}
};

// The provider's typed request as an observable of its response.
template <class T>
rx::Observable<std::shared_ptr<Brindle::Response<T>>> observableRequest(
    Brindle::DataProvider& provider, const Brindle::RequestData& request,
    typename ObservableNetworkResult<T>::ProgressHandler onProgress = nullptr) {
    auto result = Brindle::make<ObservableNetworkResult<T>>(std::move(onProgress));
    provider.request<T>(request, result);
    return result->observable();
}

// The provider's raw request as an observable of its response.
rx::Observable<std::shared_ptr<Brindle::Response<Brindle::Data>>> observableRawRequest(
    Brindle::DataProvider& provider, const Brindle::RequestData& request,
    ObservableNetworkResult<Brindle::Data>::ProgressHandler onProgress = nullptr);

}  // namespace brindle_core
