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
    bool hadOwnerWhileEntering = false;

    void enter(Brindle::WeakVariable<Machine> owner) override {
        ObjectState::enter(owner);
        ++enters;
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

using Sample::State;

class ObjectStateTest : public ::testing::Test {
protected:
    ObjectStateTest() {
        Brindle::Logging::setPrintFunction([this](const std::string& line) { lines.push_back(line); });
        subscription =
            machine->newState.subscribe([this](const auto& state) { published.push_back(state.get()); });
        published.clear();  // the relay's replay of "no state"
    }
    ~ObjectStateTest() override {
        subscription.dispose();
        Brindle::Logging::setPrintFunction(nullptr);
    }

    platform::testing::VirtualMainLoop loop;
    std::shared_ptr<Sample::Machine> machine = Brindle::make<Sample::Machine>();
    rx::Disposable subscription;
    std::vector<Sample::Machine::State*> published;
    std::vector<std::string> lines;
    std::shared_ptr<State> first = Brindle::make<State>();
    std::shared_ptr<State> second = Brindle::make<State>();
};

}  // namespace

TEST_F(ObjectStateTest, StartEntersSilentlyWhileASwitchFromNoStateIsLogged) {
    machine->start(first);
    EXPECT_EQ(published, std::vector<Sample::Machine::State*>{first.get()});
    EXPECT_EQ(first->owner(), machine);
    EXPECT_EQ(first->enters, 1);
    EXPECT_TRUE(first->isActive());
    EXPECT_TRUE(lines.empty());

    auto other = Brindle::make<Sample::Machine>();
    EXPECT_TRUE(other->switchState(second, nullptr));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "Switching to state: " + second->description());
    EXPECT_EQ(lines[0].rfind("Switching to state: <Sample.State: 0x", 0), 0u);
    EXPECT_FALSE(other->switchState(Brindle::make<State>(), nullptr));
    EXPECT_EQ(other->currentState(), second);

    // States hold their owner weakly.
    other.reset();
    EXPECT_EQ(second->owner(), nullptr);
}

TEST_F(ObjectStateTest, SwitchExitsTheOldStatePublishesTwiceAndEnters) {
    machine->start(first);
    int oldEvents = 0;
    first->onStateExit.subscribe([&](const rx::Unit&) { ++oldEvents; }).disposed(first->disposeBag());
    int exitSignals = 0;
    auto exitWatch = first->onStateExit.subscribe([&](const rx::Unit&) { ++exitSignals; });
    rx::PublishSubject<int> source;
    int delivered = 0;
    source.subscribe([&](int) { ++delivered; }).disposed(first->disposeBag());

    published.clear();
    EXPECT_TRUE(machine->switchState(second, first));
    EXPECT_EQ(published, (std::vector<Sample::Machine::State*>{second.get(), second.get()}));
    EXPECT_FALSE(first->isActive());
    EXPECT_EQ(first->exits, 1);
    EXPECT_EQ(exitSignals, 1);
    EXPECT_EQ(oldEvents, 0);  // its own bag was emptied before the signal
    source.onNext(1);
    EXPECT_EQ(delivered, 0);
    EXPECT_TRUE(second->hadOwnerWhileEntering);
    exitWatch.dispose();

    // A switch to the current state exits and re-enters it.
    EXPECT_TRUE(machine->switchState(second, second));
    EXPECT_EQ(second->exits, 1);
    EXPECT_EQ(second->enters, 2);
    EXPECT_TRUE(second->isActive());
}

TEST_F(ObjectStateTest, SwitchesThatNameALeftStateAreRefusedSilently) {
    machine->start(first);
    // The delayed block keeps the state it names alive, so no new state can take its address.
    platform::MainQueue::asyncAfter(1.0, [machine = machine, expected = first] {
        machine->switchState(Brindle::make<State>(), expected);
    });
    ASSERT_TRUE(machine->switchState(second, first));
    lines.clear();
    published.clear();

    EXPECT_FALSE(machine->switchState(Brindle::make<State>(), first));
    loop.advance(2);
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(published.empty());
    EXPECT_EQ(machine->currentState(), second);
    EXPECT_EQ(second->exits, 0);
}

TEST_F(ObjectStateTest, SwitchFromInsideEnterExitsTheEnteringState) {
    auto third = Brindle::make<State>();
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
