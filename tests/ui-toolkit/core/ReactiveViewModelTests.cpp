#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeindex>
#include <vector>

#include "rx/Rx.h"
#include "ui-toolkit/core/ReactiveViewModel.h"

using namespace brindle_core;

namespace {

class SampleModel : public ReactiveViewModel {
public:
    void didInit() override {
        ++inits;
        bagSizeAtInit = disposeBag->disposables.size();
    }
    void didAppear() override { ++appears; }
    void didDisappear() override {
        ++disappears;
        onScreenWhileDisappearing = onScreen;
    }

    int inits = 0;
    std::size_t bagSizeAtInit = 0;
    int appears = 0;
    int disappears = 0;
    bool onScreenWhileDisappearing = false;
};

std::vector<std::string> titles(const std::vector<AlertTextContent>& contents) {
    std::vector<std::string> result;
    for (const auto& content : contents) result.push_back(content.title);
    return result;
}

TEST(ReactiveViewModelTest, HookRunsAtTheEndOfCreation) {
    auto model = Brindle::make<SampleModel>();
    EXPECT_EQ(model->inits, 1);
    EXPECT_EQ(model->bagSizeAtInit, 2u);
    EXPECT_FALSE(model->onScreen);
}

TEST(ReactiveViewModelTest, AppearAndDisappearRunTheirHooksOncePerChange) {
    auto model = Brindle::make<SampleModel>();
    auto firstBag = model->disposeBag;
    model->disappear();
    EXPECT_EQ(model->disappears, 0);
    EXPECT_EQ(model->disposeBag, firstBag);

    model->appear();
    model->appear();
    EXPECT_EQ(model->appears, 1);
    EXPECT_TRUE(model->onScreen);

    model->disappear();
    EXPECT_EQ(model->disappears, 1);
    EXPECT_TRUE(model->onScreenWhileDisappearing);
    EXPECT_FALSE(model->onScreen);
    EXPECT_NE(model->disposeBag, firstBag);
    EXPECT_TRUE(firstBag->disposables.empty());

    model->appear();
    EXPECT_EQ(model->appears, 2);
}

TEST(ReactiveViewModelTest, ScreenSubscriptionsEndOnDisappearAndModelOnesOnRelease) {
    rx::PublishSubject<int> subject;
    std::vector<std::string> seen;
    auto model = Brindle::make<SampleModel>();
    model->appear();
    disposed(subject.subscribe([&](int v) { seen.push_back("screen" + std::to_string(v)); }), *model, false);
    disposed(subject.subscribe([&](int v) { seen.push_back("model" + std::to_string(v)); }), *model, true);
    subject.onNext(1);
    model->disappear();
    subject.onNext(2);
    model.reset();
    subject.onNext(3);
    EXPECT_EQ(seen, (std::vector<std::string>{"screen1", "model1", "model2"}));
}

TEST(ReactiveViewModelTest, MessagesBufferedAfterTheFirstDisappearanceReachTheNextView) {
    auto model = Brindle::make<SampleModel>();
    std::vector<AlertTextContent> firstView;
    model->messages->subscribe([&](const AlertTextContent& content) { firstView.push_back(content); });
    int pops = 0;
    model->popToRootObservable->subscribe([&](const rx::Unit&) { ++pops; });
    model->appear();
    model->publish("one");
    model->disappear();

    model->publish("two");
    std::vector<AlertTextContent> secondView;
    model->messages->subscribe([&](const AlertTextContent& content) { secondView.push_back(content); });
    EXPECT_TRUE(secondView.empty());
    model->publish("three", "text");
    EXPECT_EQ(titles(firstView), std::vector<std::string>{"one"});
    EXPECT_EQ(titles(secondView), (std::vector<std::string>{"two", "three"}));
    EXPECT_EQ(secondView[1].text, std::optional<std::string>("text"));

    // Later disappearances leave the streams alone.
    model->appear();
    model->disappear();
    model->publish("four");
    EXPECT_EQ(secondView.size(), 3u);
    model->popToRoot();
    EXPECT_EQ(pops, 1);
}

TEST(ReactiveViewModelTest, PresentedViewsReachTheListener) {
    auto model = Brindle::make<SampleModel>();
    int made = 0;
    model->presentView->subscribe([&](const platform::ViewFactory& factory) {
        EXPECT_TRUE(static_cast<bool>(factory));
        factory.make();
    });
    model->present(platform::ViewFactory([&]() -> void* {
        ++made;
        return nullptr;
    }));
    EXPECT_EQ(made, 1);
}

TEST(MessagePublisherTest, ErrorAlertsCarryOneOkButton) {
    auto model = Brindle::make<SampleModel>();
    std::vector<AlertTextContent> seen;
    model->messages->subscribe([&](const AlertTextContent& content) { seen.push_back(content); });

    model->publishError();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, "An error as occured");
    EXPECT_EQ(seen[0].text, std::optional<std::string>(
                                "An unknown error has occured for this action. Please try again later."));
    ASSERT_EQ(seen[0].buttons.size(), 1u);
    EXPECT_EQ(seen[0].buttons[0]->title, "OK");
    EXPECT_EQ(seen[0].buttons[0]->style, ButtonViewModel::Style::defaultStyle);
    seen[0].buttons[0]->action();

    int oks = 0;
    model->publishError(std::make_shared<Brindle::SystemError>("Test", 28, "Disk full"), [&] { ++oks; });
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].text, std::optional<std::string>("Disk full"));
    seen[1].buttons[0]->action();
    EXPECT_EQ(oks, 1);

    model->publishError(std::make_shared<Brindle::BackendError>(Brindle::BackendError::noConnection()));
    EXPECT_EQ(seen[2].text,
              std::optional<std::string>("You have no internet connection. Please try again later."));
}

TEST(MessagePublisherTest, ReplyWithoutCodeOrMessageGivesAGenericError) {
    auto model = Brindle::make<SampleModel>();
    std::vector<AlertTextContent> seen;
    model->messages->subscribe([&](const AlertTextContent& content) { seen.push_back(content); });
    Brindle::BaseResponse response(Brindle::ResponseStatusCode::BAD_REQUEST_400);
    Brindle::EmptyResponse body;
    model->publishError(response, body);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, "An error as occured");
    EXPECT_EQ(seen[0].text, std::optional<std::string>("\n\nCode: 0"));
}

TEST(ReactiveListItemViewModelTest, EqualOnlyToItselfAndHashedAlike) {
    auto first = Brindle::make<ReactiveListItemViewModel>();
    auto second = Brindle::make<ReactiveListItemViewModel>();
    EXPECT_TRUE(*first == *first);
    EXPECT_FALSE(*first == *second);
    EXPECT_EQ(first->hashValue(), second->hashValue());
    EXPECT_FALSE(first->viewType.has_value());
    EXPECT_FALSE(first->indexPath.has_value());

    auto button = Brindle::make<ButtonViewModel>("Go", ButtonViewModel::Style::centered, [] {});
    EXPECT_EQ(button->viewType, std::optional<std::type_index>(typeid(Brindle::Object)));
}

TEST(ReactiveListItemViewModelTest, SubscriptionsGoIntoTheChosenBag) {
    rx::PublishSubject<int> subject;
    int screen = 0;
    int lifetime = 0;
    auto item = Brindle::make<ReactiveListItemViewModel>();
    disposed(subject.subscribe([&](int) { ++screen; }), *item, false);
    disposed(subject.subscribe([&](int) { ++lifetime; }), *item, true);
    item->disposeBag->dispose();
    subject.onNext(1);
    EXPECT_EQ(screen, 0);
    EXPECT_EQ(lifetime, 1);
}

}  // namespace
