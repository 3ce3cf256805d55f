#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rx/Rx.h"
#include "ui-toolkit/core/ReactiveViewModel.h"

using namespace brindle_core;
using Strings = std::vector<std::string>;

namespace {

// Notes its hooks: the bag's size at creation, and whether it was still on screen when it left.
class SampleModel : public ReactiveViewModel {
public:
    void didInit() override { hooks.push_back("init " + std::to_string(disposeBag->disposables.size())); }
    void didAppear() override { hooks.push_back("appear"); }
    void didDisappear() override { hooks.push_back(onScreen ? "disappear" : "disappear off screen"); }
    Strings hooks;
};

class ReactiveViewModelTest : public ::testing::Test {
protected:
    // A view's listener: the titles and texts of the alerts it is asked to show.
    std::function<void(const AlertTextContent&)> view(Strings& shown) {
        return [this, &shown](const AlertTextContent& content) {
            shown.push_back(content.title + (content.text ? ": " + *content.text : ""));
            buttons = content.buttons;
        };
    }
    // A subscription to `subject` in one of the bags of `owner`, noting what it gets as `name`.
    template <class Owner>
    void keep(Owner& owner, bool onDestroy, std::string name) {
        disposed(subject.subscribe([this, name](int v) { seen.push_back(name + std::to_string(v)); }), owner,
                 onDestroy);
    }

    std::shared_ptr<SampleModel> model = Brindle::make<SampleModel>();
    std::vector<std::shared_ptr<ButtonViewModel>> buttons;
    rx::PublishSubject<int> subject;
    Strings seen;
};

TEST_F(ReactiveViewModelTest, HooksRunOncePerAppearanceChangeAndDisappearingRenewsTheBag) {
    auto firstBag = model->disposeBag;
    model->disappear();
    EXPECT_EQ(model->disposeBag, firstBag);
    model->appear();
    model->appear();
    model->disappear();
    EXPECT_FALSE(model->onScreen);
    EXPECT_TRUE(firstBag->disposables.empty());
    EXPECT_NE(model->disposeBag, firstBag);
    model->appear();
    EXPECT_EQ(model->hooks,
              (Strings{"init 2", "appear", "disappear", "appear"}));  // the streams are in the bag
}

TEST_F(ReactiveViewModelTest, ScreenSubscriptionsEndOnDisappearAndModelOnesOnRelease) {
    model->appear();
    keep(*model, false, "screen");
    keep(*model, true, "model");
    subject.onNext(1);
    model->disappear();
    subject.onNext(2);
    model.reset();
    // A list row's bags work alike; rows are equal only to themselves and hash alike.
    auto row = Brindle::make<ReactiveListItemViewModel>(), other = Brindle::make<ReactiveListItemViewModel>();
    keep(*row, false, "row");
    keep(*row, true, "lifetime");
    row->disposeBag->dispose();
    subject.onNext(3);
    EXPECT_EQ(seen, (Strings{"screen1", "model1", "model2", "lifetime3"}));
    EXPECT_TRUE(*row == *row);
    EXPECT_FALSE(*row == *other);
    EXPECT_EQ(row->hashValue(), other->hashValue());
}

TEST_F(ReactiveViewModelTest, MessagesBufferedAfterTheFirstDisappearanceReachTheNextView) {
    Strings first, second;
    int pops = 0, made = 0;
    model->messages->subscribe(view(first));
    model->popToRootObservable->subscribe([&](const rx::Unit&) { ++pops; });
    model->appear();
    model->publish("one");
    model->disappear();
    model->publish("two");
    model->messages->subscribe(view(second));
    model->presentView->subscribe([&](const platform::ViewFactory& factory) { factory.make(); });
    EXPECT_TRUE(second.empty());
    model->publish("three", "text");
    model->appear();
    model->disappear();  // later disappearances leave the streams alone
    model->publish("four");
    model->popToRoot();
    model->present(platform::ViewFactory([&]() -> void* { return ++made, nullptr; }));
    EXPECT_EQ(first, Strings{"one"});
    EXPECT_EQ(second, (Strings{"two", "three: text", "four"}));
    EXPECT_EQ(pops, 1);
    EXPECT_EQ(made, 1);
}

TEST_F(ReactiveViewModelTest, ErrorsBecomeAlertsWithOneOkButton) {
    Strings shown;
    int oks = 0;
    model->messages->subscribe(view(shown));
    model->publishError();
    buttons.at(0)->action();
    model->publishError(std::make_shared<Brindle::SystemError>("Test", 28, "Disk full"), [&] { ++oks; });
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(buttons[0]->title, "OK");
    buttons[0]->action();
    model->publishError(std::make_shared<Brindle::BackendError>(Brindle::BackendError::noConnection()));
    // A reply without a code or a message.
    model->publishError(Brindle::BaseResponse(Brindle::ResponseStatusCode::BAD_REQUEST_400),
                        Brindle::EmptyResponse());
    EXPECT_EQ(oks, 1);
    EXPECT_EQ(shown,
              (Strings{"An error as occured: An unknown error has occured for this action. Please try again "
                       "later.",
                       "An error as occured: Disk full",
                       "An error as occured: You have no internet connection. Please try again later.",
                       "An error as occured: \n\nCode: 0"}));
}

}  // namespace
