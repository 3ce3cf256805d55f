#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui-toolkit/core/ObservableNetworkResult.h"

using namespace brindle_core;
using Brindle::Data;
using Brindle::Response;
using Brindle::ResponseStatusCode;

namespace {

// Records what a subscriber sees.
template <class T>
struct Recorder {
    std::vector<std::shared_ptr<Response<T>>> values;
    int completions = 0;
    Brindle::AnyError error;
    bool failed = false;

    rx::Disposable subscribe(const rx::Observable<std::shared_ptr<Response<T>>>& observable) {
        return observable.subscribe([this](const auto& response) { values.push_back(response); },
                                    [this](std::exception_ptr e) {
                                        failed = true;
                                        error = errorFrom(e);
                                    },
                                    [this] { ++completions; });
    }
};

TEST(ObservableNetworkResultTest, ResponseThenCompletionAndLateSubscribersGetOnlyTheEnd) {
    auto result = Brindle::make<ObservableNetworkResult<Data>>();
    Recorder<Data> early;
    auto first = early.subscribe(result->observable());
    EXPECT_TRUE(early.values.empty());

    auto response = std::make_shared<Response<Data>>(ResponseStatusCode::OK_200, "body");
    result->onSuccess()(response);
    ASSERT_EQ(early.values.size(), 1u);
    EXPECT_EQ(early.values[0], response);
    EXPECT_EQ(early.completions, 1);

    Recorder<Data> late;
    auto second = late.subscribe(result->observable());
    EXPECT_TRUE(late.values.empty());
    EXPECT_EQ(late.completions, 1);
}

TEST(ObservableNetworkResultTest, FailureArrivesAsTheErrorWithoutAValue) {
    auto result = Brindle::make<ObservableNetworkResult<Data>>();
    Recorder<Data> recorder;
    auto subscription = recorder.subscribe(result->observable());
    auto error = std::make_shared<Brindle::BackendError>(Brindle::BackendError::noConnection());
    result->onFailed()(error);
    EXPECT_TRUE(recorder.values.empty());
    EXPECT_TRUE(recorder.failed);
    EXPECT_EQ(recorder.error, error);
    EXPECT_EQ(errorFrom(std::make_exception_ptr(std::runtime_error("other"))), nullptr);
}

TEST(ObservableNetworkResultTest, ProgressGoesToTheGivenFunctionOnly) {
    auto silent = Brindle::make<ObservableNetworkResult<Data>>();
    ASSERT_TRUE(static_cast<bool>(silent->onProgress()));
    silent->onProgress()(0.5);

    std::vector<double> fractions;
    auto reporting = Brindle::make<ObservableNetworkResult<Data>>([&](double f) { fractions.push_back(f); });
    reporting->onProgress()(0.25);
    EXPECT_EQ(fractions, std::vector<double>{0.25});
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

    Recorder<std::vector<int>> typed;
    auto first = typed.subscribe(observableRequest<std::vector<int>>(*provider, request));
    ASSERT_TRUE(source->typed);
    source->typed->decode(ResponseStatusCode::OK_200, "[1, 2, 3]").deliver();
    ASSERT_EQ(typed.values.size(), 1u);
    EXPECT_EQ(typed.values[0]->body(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(typed.completions, 1);

    Recorder<Data> raw;
    auto second = raw.subscribe(observableRawRequest(*provider, request));
    ASSERT_TRUE(source->raw);
    source->raw->onSuccess()(std::make_shared<Response<Data>>(ResponseStatusCode::NOT_FOUND, "missing"));
    ASSERT_EQ(raw.values.size(), 1u);
    EXPECT_EQ(raw.values[0]->body(), "missing");
    EXPECT_EQ(source->paths, (std::vector<std::string>{"/numbers", "/numbers"}));
}

}  // namespace
