#include "rx/Observable.h"

#include <cstdio>

namespace rx::detail {

void printUnhandledError(const std::exception_ptr& error) {
    try {
        if (error) std::rethrow_exception(error);
        std::fputs("Unhandled error happened\n", stderr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Unhandled error happened: %s\n", e.what());
    } catch (...) {
        std::fputs("Unhandled error happened\n", stderr);
    }
}

}  // namespace rx::detail
