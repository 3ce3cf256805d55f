#include <gtest/gtest.h>

#include "Brindle/Logging.h"
#include "Brindle/ObjectState.h"
#include "platform/testing/VirtualMainLoop.h"

namespace Sample {

class Machine : public Brindle::Object, public Brindle::ObjectStateMachine<Machine> {};

// Writes what happens to it into a trace it shares with its test.
class State : public Brindle::ObjectState<Machine> {
public:
    State(std::string name, std::string& trace) : name(std::move(name)), trace(trace) {}

    void enter(Brindle::WeakVariable<Machine> owner) override {
        ObjectState::enter(owner);
        trace += "enter " + name + (this->owner() ? "; " : " without owner; ");
        if (onEnter) onEnter(owner);
    }
    void exit(Brindle::WeakVariable<Machine> owner) override {
        ObjectState::exit(owner);
        trace += "exit " + name + "; ";
    }

    const std::string name;
    std::string& trace;
    std::function<void(const Brindle::WeakVariable<Machine>&)> onEnter;
};

}  // namespace Sample

namespace {

class ObjectStateTest : public ::testing::Test {
protected:
    ObjectStateTest() {
        Brindle::Logging::setPrintFunction([this](const std::string& line) {
            trace += "log; ";
            lastLine = line;
        });
        subscription = machine->newState.subscribe([this](const auto& state) {
            trace += "now " + (state ? static_cast<Sample::State&>(*state).name : "none") + "; ";
        });
        trace.clear();
    }
    ~ObjectStateTest() override {
        subscription.dispose();
        Brindle::Logging::setPrintFunction(nullptr);
    }
    std::shared_ptr<Sample::State> state(std::string name) {
        return Brindle::make<Sample::State>(name, trace);
    }

    platform::testing::VirtualMainLoop loop;
    std::string trace;
    std::string lastLine;
    std::shared_ptr<Sample::Machine> machine = Brindle::make<Sample::Machine>();
    rx::Disposable subscription;
    std::shared_ptr<Sample::State> a = state("A"), b = state("B");
};

}  // namespace

TEST_F(ObjectStateTest, StartEntersSilentlyWhileASwitchFromNoStateIsLogged) {
    machine->start(a);
    EXPECT_EQ(trace, "now A; enter A; ");
    EXPECT_EQ(a->owner(), machine);
    EXPECT_TRUE(a->isActive());

    trace.clear();
    auto other = Brindle::make<Sample::Machine>();
    EXPECT_TRUE(other->switchState(b, nullptr));
    EXPECT_EQ(trace, "log; enter B; ");
    EXPECT_EQ(lastLine, "Switching to state: " + b->description());
    EXPECT_EQ(lastLine.rfind("Switching to state: <Sample.State: 0x", 0), 0u);
    EXPECT_FALSE(other->switchState(state("C"), nullptr));
    EXPECT_EQ(other->currentState(), b);
    other.reset();  // states hold their owner weakly
    EXPECT_EQ(b->owner(), nullptr);
}

TEST_F(ObjectStateTest, ASwitchPublishesTheNewStateBeforeTheExitAndAgainBeforeTheEnter) {
    machine->start(a);
    a->onStateExit.subscribe([&](rx::Unit) { trace += "bag saw exit; "; }).disposed(a->disposeBag());
    auto watch = a->onStateExit.subscribe([&](rx::Unit) { trace += "A left; "; });
    trace.clear();
    EXPECT_TRUE(machine->switchState(b, a));
    // The old state's bag is emptied before its exit signal.
    EXPECT_EQ(trace, "now B; log; A left; exit A; now B; enter B; ");
    EXPECT_FALSE(a->isActive());
    watch.dispose();

    // A switch to the current state exits and re-enters it.
    trace.clear();
    EXPECT_TRUE(machine->switchState(b, b));
    EXPECT_EQ(trace, "now B; log; exit B; now B; enter B; ");
    EXPECT_TRUE(b->isActive());
}

TEST_F(ObjectStateTest, SwitchesThatNameALeftStateAreRefusedSilently) {
    machine->start(a);
    // The delayed block keeps the state it names alive, so no new state can take its address.
    platform::MainQueue::asyncAfter(
        1.0, [machine = machine, expected = a, next = state("C")] { machine->switchState(next, expected); });
    ASSERT_TRUE(machine->switchState(b, a));
    trace.clear();
    EXPECT_FALSE(machine->switchState(state("D"), a));
    loop.advance(2);
    EXPECT_EQ(trace, "");
    EXPECT_EQ(machine->currentState(), b);
}

TEST_F(ObjectStateTest, SwitchFromInsideEnterExitsTheEnteringState) {
    auto c = state("C");
    b->onEnter = [&](const Brindle::WeakVariable<Sample::Machine>& owner) {
        EXPECT_TRUE(owner.get()->switchState(c, b));
    };
    machine->start(a);
    trace.clear();
    EXPECT_TRUE(machine->switchState(b, a));
    EXPECT_EQ(trace, "now B; log; exit A; now B; enter B; now C; log; exit B; now C; enter C; ");
    EXPECT_EQ(machine->currentState(), c);
    EXPECT_FALSE(b->isActive());
}
