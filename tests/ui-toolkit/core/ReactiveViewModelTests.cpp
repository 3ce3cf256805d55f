#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "rx/Rx.h"
#include "ui-toolkit/core/ReactiveViewModel.h"

using namespace brindle_core;
using Strings = std::vector<std::string>;

namespace {

class SampleModel : public ReactiveViewModel {
public:
    void didInit() override { bagSizeAtInit = static_cast<int>(disposeBag->disposables.size()); }
    void didAppear() override { ++appears; }
    void didDisappear() override {
        ++disappears;
        onScreenWhileDisappearing = onScreen;
    }
    int bagSizeAtInit = -1;
    int appears = 0;
    int disappears = 0;
    bool onScreenWhileDisappearing = false;
};

class ReactiveViewModelTest : public ::testing::Test {
protected:
    // A view's listener: the titles and texts of the alerts it is asked to show.
    std::function<void(const AlertTextContent&)> view(Strings& shown) {
        return [this, &shown](const AlertTextContent& content) {
            shown.push_back(content.title + (content.text ? ": " + *content.text : ""));
            if (!content.buttons.empty()) lastButtons = content.buttons;
        };
    }

    std::shared_ptr<SampleModel> model = Brindle::make<SampleModel>();
    std::vector<std::shared_ptr<ButtonViewModel>> lastButtons;
};

TEST_F(ReactiveViewModelTest, HooksRunAtTheEndOfCreationAndOncePerAppearanceChange) {
    EXPECT_EQ(model->bagSizeAtInit, 2);  // the streams are in the bag by then
    auto firstBag = model->disposeBag;
    model->disappear();
    EXPECT_EQ(model->disappears, 0);
    EXPECT_EQ(model->disposeBag, firstBag);

    model->appear();
    model->appear();
    EXPECT_EQ(model->appears, 1);
    model->disappear();
    EXPECT_EQ(model->disappears, 1);
    EXPECT_TRUE(model->onScreenWhileDisappearing);
    EXPECT_FALSE(model->onScreen);
    EXPECT_NE(model->disposeBag, firstBag);
    EXPECT_TRUE(firstBag->disposables.empty());
    model->appear();
    EXPECT_EQ(model->appears, 2);
}

TEST_F(ReactiveViewModelTest, ScreenSubscriptionsEndOnDisappearAndModelOnesOnRelease) {
    rx::PublishSubject<int> subject;
    Strings seen;
    const auto note = [&](const char* bag) {
        return [&, bag](int v) { seen.push_back(bag + std::to_string(v)); };
    };
    model->appear();
    disposed(subject.subscribe(note("screen")), *model, false);
    disposed(subject.subscribe(note("model")), *model, true);
    subject.onNext(1);
    model->disappear();
    subject.onNext(2);
    model.reset();
    subject.onNext(3);

    // A list row's bags work alike; rows are equal only to themselves and hash alike.
    auto item = Brindle::make<ReactiveListItemViewModel>();
    disposed(subject.subscribe(note("row")), *item, false);
    disposed(subject.subscribe(note("lifetime")), *item, true);
    item->disposeBag->dispose();
    subject.onNext(4);
    EXPECT_EQ(seen, (Strings{"screen1", "model1", "model2", "lifetime4"}));
    auto other = Brindle::make<ReactiveListItemViewModel>();
    EXPECT_TRUE(*item == *item);
    EXPECT_FALSE(*item == *other);
    EXPECT_EQ(item->hashValue(), other->hashValue());
}

TEST_F(ReactiveViewModelTest, MessagesBufferedAfterTheFirstDisappearanceReachTheNextView) {
    Strings first, second;
    model->messages->subscribe(view(first));
    int pops = 0;
    model->popToRootObservable->subscribe([&](const rx::Unit&) { ++pops; });
    model->appear();
    model->publish("one");
    model->disappear();
    model->publish("two");
    model->messages->subscribe(view(second));
    EXPECT_TRUE(second.empty());
    model->publish("three", "text");
    EXPECT_EQ(first, Strings{"one"});
    EXPECT_EQ(second, (Strings{"two", "three: text"}));

    // Later disappearances leave the streams alone.
    model->appear();
    model->disappear();
    model->publish("four");
    EXPECT_EQ(second.size(), 3u);
    model->popToRoot();
    EXPECT_EQ(pops, 1);

    int made = 0;
    model->presentView->subscribe([&](const platform::ViewFactory& factory) { factory.make(); });
    model->present(platform::ViewFactory([&]() -> void* { return ++made, nullptr; }));
    EXPECT_EQ(made, 1);
}

TEST_F(ReactiveViewModelTest, ErrorsBecomeAlertsWithOneOkButton) {
    Strings shown;
    model->messages->subscribe(view(shown));
    int oks = 0;
    model->publishError();
    lastButtons.at(0)->action();
    model->publishError(std::make_shared<Brindle::SystemError>("Test", 28, "Disk full"), [&] { ++oks; });
    ASSERT_EQ(lastButtons.size(), 1u);
    EXPECT_EQ(lastButtons[0]->title, "OK");
    lastButtons[0]->action();
    model->publishError(std::make_shared<Brindle::BackendError>(Brindle::BackendError::noConnection()));
    // A reply without a code or a message.
    model->publishError(Brindle::BaseResponse(Brindle::ResponseStatusCode::BAD_REQUEST_400),
                        Brindle::EmptyResponse());
    EXPECT_EQ(oks, 1);
    EXPECT_EQ(
        shown,
        (Strings{"An error as occured: An unknown error has occured for this action. Please try again later.",
                 "An error as occured: Disk full",
                 "An error as occured: You have no internet connection. Please try again later.",
                 "An error as occured: \n\nCode: 0"}));
}

}  // namespace
