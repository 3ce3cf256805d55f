#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Brindle/Logging.h"
#include "Brindle/ObjectState.h"
#include "platform/testing/VirtualMainLoop.h"

namespace Sample {

class Machine;

class State : public Brindle::ObjectState<Machine> {
public:
    std::function<void(const Brindle::WeakVariable<Machine>&)> onEnter;
    int enters = 0;
    int exits = 0;
    bool activeWhileEntering = false;
    bool hadOwnerWhileEntering = false;

    void enter(Brindle::WeakVariable<Machine> owner) override {
        ObjectState::enter(owner);
        ++enters;
        activeWhileEntering = isActive();
        hadOwnerWhileEntering = this->owner() != nullptr;
        if (onEnter) onEnter(owner);
    }
    void exit(Brindle::WeakVariable<Machine> owner) override {
        ObjectState::exit(owner);
        ++exits;
    }
};

class Machine : public Brindle::Object, public Brindle::ObjectStateMachine<Machine> {};

}  // namespace Sample

namespace {

class ObjectStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        Brindle::Logging::setPrintFunction([this](const std::string& line) { lines.push_back(line); });
        machine = Brindle::make<Sample::Machine>();
        subscription = machine->newState.subscribe(
            [this](const Sample::Machine::StatePtr& state) { published.push_back(state.get()); });
        published.clear();  // the relay's replay of "no state"
    }
    void TearDown() override {
        subscription.dispose();
        Brindle::Logging::setPrintFunction(nullptr);
    }

    std::shared_ptr<Sample::State> makeState() { return Brindle::make<Sample::State>(); }

    platform::testing::VirtualMainLoop loop;
    std::shared_ptr<Sample::Machine> machine;
    rx::Disposable subscription;
    std::vector<Sample::Machine::State*> published;
    std::vector<std::string> lines;
};

}  // namespace

TEST_F(ObjectStateTest, StartSetsOwnerPublishesOnceAndEntersWithoutALogLine) {
    auto first = makeState();
    machine->start(first);
    EXPECT_EQ(published, (std::vector<Sample::Machine::State*>{first.get()}));
    EXPECT_EQ(first->owner(), machine);
    EXPECT_EQ(first->enters, 1);
    EXPECT_TRUE(first->isActive());
    EXPECT_TRUE(lines.empty());
}

TEST_F(ObjectStateTest, SwitchFromNoStateNeedsNoExpectedState) {
    auto first = makeState();
    EXPECT_TRUE(machine->switchState(first, nullptr));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "Switching to state: " + first->description());
    EXPECT_EQ(lines[0].rfind("Switching to state: <Sample.State: 0x", 0), 0u);

    EXPECT_FALSE(machine->switchState(makeState(), nullptr));
    EXPECT_EQ(machine->currentState(), first);
}

TEST_F(ObjectStateTest, SwitchExitsTheOldStatePublishesTwiceAndEnters) {
    auto first = makeState();
    machine->start(first);
    int oldEvents = 0;
    first->onStateExit.subscribe([&](const rx::Unit&) { ++oldEvents; }).disposed(first->disposeBag());
    int exitSignals = 0;
    auto exitWatch = first->onStateExit.subscribe([&](const rx::Unit&) { ++exitSignals; });
    rx::PublishSubject<int> source;
    int delivered = 0;
    source.subscribe([&](int) { ++delivered; }).disposed(first->disposeBag());

    auto second = makeState();
    published.clear();
    EXPECT_TRUE(machine->switchState(second, first));

    EXPECT_EQ(published, (std::vector<Sample::Machine::State*>{second.get(), second.get()}));
    EXPECT_FALSE(first->isActive());
    EXPECT_EQ(first->exits, 1);
    EXPECT_EQ(exitSignals, 1);
    EXPECT_EQ(oldEvents, 0);  // its own bag was emptied before the signal
    source.onNext(1);
    EXPECT_EQ(delivered, 0);
    EXPECT_TRUE(second->activeWhileEntering);
    EXPECT_TRUE(second->hadOwnerWhileEntering);
    exitWatch.dispose();
}

TEST_F(ObjectStateTest, StaleSwitchIsRefusedSilently) {
    auto first = makeState();
    auto second = makeState();
    machine->start(first);
    ASSERT_TRUE(machine->switchState(second, first));
    lines.clear();
    published.clear();

    EXPECT_FALSE(machine->switchState(makeState(), first));
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(published.empty());
    EXPECT_EQ(machine->currentState(), second);
    EXPECT_EQ(second->exits, 0);
}

TEST_F(ObjectStateTest, DelayedSwitchOfALeftStateIsRefused) {
    auto first = makeState();
    machine->start(first);
    // The delayed block keeps the state it names alive, so no new state can take its address.
    platform::MainQueue::asyncAfter(1.0, [machine = machine, expected = first] {
        machine->switchState(Brindle::make<Sample::State>(), expected);
    });
    auto second = makeState();
    ASSERT_TRUE(machine->switchState(second, first));
    loop.advance(2);
    EXPECT_EQ(machine->currentState(), second);
}

TEST_F(ObjectStateTest, SwitchToTheCurrentStateExitsAndReentersIt) {
    auto first = makeState();
    machine->start(first);
    EXPECT_TRUE(machine->switchState(first, first));
    EXPECT_EQ(first->exits, 1);
    EXPECT_EQ(first->enters, 2);
    EXPECT_TRUE(first->isActive());
}

TEST_F(ObjectStateTest, SwitchFromInsideEnterExitsTheEnteringState) {
    auto first = makeState();
    auto second = makeState();
    auto third = makeState();
    bool nested = false;
    second->onEnter = [&](const Brindle::WeakVariable<Sample::Machine>& owner) {
        nested = owner.get()->switchState(third, second);
        EXPECT_EQ(second->exits, 1);  // already exited while its enter still runs
    };
    machine->start(first);
    EXPECT_TRUE(machine->switchState(second, first));
    EXPECT_TRUE(nested);
    EXPECT_EQ(machine->currentState(), third);
    EXPECT_FALSE(second->isActive());
}

TEST_F(ObjectStateTest, StatesHoldTheirOwnerWeakly) {
    auto first = makeState();
    machine->start(first);
    std::weak_ptr<Sample::Machine> weakMachine = machine;
    subscription.dispose();
    machine.reset();
    EXPECT_TRUE(weakMachine.expired());
    EXPECT_EQ(first->owner(), nullptr);
}
