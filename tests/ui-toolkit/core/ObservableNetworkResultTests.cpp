#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ui-toolkit/core/ObservableNetworkResult.h"

using namespace brindle_core;
using Brindle::Data;
using Brindle::Response;
using Brindle::ResponseStatusCode;

namespace {

// What a subscriber sees.
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
    EXPECT_TRUE(early.values.empty());
    result->onProgress()(0.25);
    auto response = std::make_shared<Response<Data>>(ResponseStatusCode::OK_200, "body");
    result->onSuccess()(response);
    Seen<Data> late(result->observable());
    EXPECT_EQ(early.values, std::vector{response});
    EXPECT_EQ(early.completions, 1);
    EXPECT_TRUE(late.values.empty());
    EXPECT_EQ(late.completions, 1);
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

// Keeps the result objects of the requests it is given.
class HeldSource : public Brindle::DataSource {
public:
    void requestTyped(const Brindle::RequestData& request,
                      std::shared_ptr<Brindle::TypedResult> result) override {
        paths.push_back(request.path());
        typed = std::move(result);
    }
    void requestRaw(const Brindle::RequestData& request,
                    std::shared_ptr<Brindle::NetworkResult<Data>> result) override {
        paths.push_back(request.path());
        raw = std::move(result);
    }
    std::vector<std::string> paths;
    std::shared_ptr<Brindle::TypedResult> typed;
    std::shared_ptr<Brindle::NetworkResult<Data>> raw;
};

TEST(ObservableNetworkResultTest, ProviderRequestsBecomeObservables) {
    auto source = std::make_shared<HeldSource>();
    auto provider = Brindle::make<Brindle::DataProvider>(source);
    Brindle::RequestData request({}, "/numbers", Brindle::APIMethod::get, {}, std::nullopt, false, false);
    Seen<std::vector<int>> typed(observableRequest<std::vector<int>>(*provider, request));
    Seen<Data> raw(observableRawRequest(*provider, request));
    ASSERT_TRUE(source->typed && source->raw);
    source->typed->decode(ResponseStatusCode::OK_200, "[1, 2, 3]").deliver();
    source->raw->onSuccess()(std::make_shared<Response<Data>>(ResponseStatusCode::NOT_FOUND, "missing"));
    ASSERT_EQ(typed.values.size(), 1u);
    ASSERT_EQ(raw.values.size(), 1u);
    EXPECT_EQ(typed.values[0]->body(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(typed.completions, 1);
    EXPECT_EQ(raw.values[0]->body(), "missing");
    EXPECT_EQ(source->paths, (std::vector<std::string>{"/numbers", "/numbers"}));
}

}  // namespace
