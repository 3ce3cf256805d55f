#include "platform/base/Animation.h"

namespace platform {
namespace {
thread_local int transactionDepth = 0;
}

void withAnimation(const std::function<void()>& changes) {
    struct Scope {
        Scope() { ++transactionDepth; }
        ~Scope() { --transactionDepth; }
    } scope;
    changes();
}

bool isInAnimationTransaction() { return transactionDepth > 0; }

}  // namespace platform
