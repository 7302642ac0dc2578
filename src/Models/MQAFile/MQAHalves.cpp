#include "MQAHalves.h"

#include <exception>
#include <system_error>
#include <thread>

namespace mqa {

void runBoth(const std::function<void()>& first, const std::function<void()>& second) {
    std::exception_ptr secondError;
    auto runSecond = [&] {
        try {
            second();
        } catch (...) {
            secondError = std::current_exception();
        }
    };
    std::thread helper;
    try {
        helper = std::thread(runSecond);
    } catch (const std::system_error&) {
        // No thread to be had: one after the other gives the same result.
        first();
        runSecond();
        if (secondError) std::rethrow_exception(secondError);
        return;
    }
    std::exception_ptr firstError;
    try {
        first();
    } catch (...) {
        firstError = std::current_exception();
    }
    helper.join();
    if (firstError) std::rethrow_exception(firstError);
    if (secondError) std::rethrow_exception(secondError);
}

}  // namespace mqa
