#include "Brindle/Logging.h"

#include <cstdio>
#include <mutex>

#include "platform/base/LogText.h"

namespace Brindle {
namespace {

void printToStandardOutput(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::mutex& functionMutex() {
    static std::mutex mutex;
    return mutex;
}

Logging::PrintFunction& currentFunction() {
    static Logging::PrintFunction function = printToStandardOutput;
    return function;
}

}  // namespace

std::shared_ptr<Logging> Logging::shared() {
    static auto* instance = new std::shared_ptr<Logging>(std::make_shared<Logging>());
    return *instance;
}

Logging::PrintFunction Logging::printFunction() {
    std::lock_guard lock(functionMutex());
    return currentFunction();
}

void Logging::setPrintFunction(PrintFunction function) {
    std::lock_guard lock(functionMutex());
    currentFunction() = function ? std::move(function) : PrintFunction(printToStandardOutput);
}

void Logging::log(const std::string& text) {
    // Called outside the lock, so a print function may log or replace itself. Lines carry outside
    // text (titles, names, replies): none may forge a line or reach the terminal.
    printFunction()(platform::escapedForLog(text));
}

}  // namespace Brindle
