#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "ui-toolkit/core/ObservableNetworkResult.h"

using namespace brindle_core;
using Brindle::Data;
using Brindle::Response;
using Brindle::ResponseStatusCode;

namespace {

template <class T>
struct Seen {
    explicit Seen(const rx::Observable<std::shared_ptr<Response<T>>>& observable)
        : subscription(observable.subscribe([this](const auto& response) { values.push_back(response); },
                                            [this](std::exception_ptr e) { error = errorFrom(e); },
                                            [this] { ++completions; })) {}
    std::vector<std::shared_ptr<Response<T>>> values;
    int completions = 0;
    Brindle::AnyError error;
    rx::Disposable subscription;
};

TEST(ObservableNetworkResultTest, ResponseAndCompletionOrTheFailureAndLateSubscribersGetOnlyTheEnd) {
    std::vector<double> fractions;
    auto result = Brindle::make<ObservableNetworkResult<Data>>([&](double f) { fractions.push_back(f); });
    Seen<Data> early(result->observable());
    result->onProgress()(0.25);
    auto response = std::make_shared<Response<Data>>(ResponseStatusCode::OK_200, "body");
    result->onSuccess()(response);
    Seen<Data> late(result->observable());
    EXPECT_EQ(std::pair(early.values, early.completions), std::pair(std::vector{response}, 1));
    EXPECT_EQ(std::pair(late.values.size(), late.completions), std::pair(std::size_t(0), 1));
    EXPECT_EQ(fractions, std::vector<double>{0.25});
    auto failing = Brindle::make<ObservableNetworkResult<Data>>();
    failing->onProgress()(0.5);  // nobody to tell
    Seen<Data> seen(failing->observable());
    auto error = std::make_shared<Brindle::BackendError>(Brindle::BackendError::noConnection());
    failing->onFailed()(error);
    EXPECT_TRUE(seen.values.empty());
    EXPECT_EQ(seen.error, error);
    EXPECT_EQ(errorFrom(std::make_exception_ptr(std::runtime_error("other"))), nullptr);
}

}  // namespace
