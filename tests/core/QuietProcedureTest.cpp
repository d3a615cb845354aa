#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/Error.h"
#include "core/QuietProcedure.h"

namespace {

// A failing step is dropped, a failing test counts as false, and the hook, when given, learns of
// each failure with its line and what was thrown; the steps after it still run.
TEST(QuietProcedure, DropsFailuresAndTellsThemToItsHook) {
    std::vector<std::string> told;
    pv::QuietProcedure quiet([&](int line, const std::exception& failure) {
        const auto* error = dynamic_cast<const pv::Error*>(&failure);
        told.push_back(std::to_string(line) + " " + std::to_string(error ? error->number() : 0) +
                       " " + failure.what());
    });
    int ran = 0;
    quiet.step(10, [] { throw pv::Error(2076, "Path not found: /gone"); });
    quiet.step(12, [&] { ++ran; });
    quiet.stepIf(
        14, []() -> bool { throw std::runtime_error("test failed"); }, [&] { ++ran; });
    quiet.stepIf(
        16, [] { return true; }, [] { throw std::length_error("body failed"); });
    EXPECT_EQ(ran, 1);
    ASSERT_EQ(told.size(), 3u);
    EXPECT_EQ(told[0].substr(0, 8), "10 2076 ");
    EXPECT_NE(told[0].find("Path not found: /gone"), std::string::npos);
    EXPECT_EQ(told[1], "14 0 test failed");
    EXPECT_EQ(told[2], "16 0 body failed");

    pv::QuietProcedure silent;
    silent.step(10, [] { throw std::runtime_error("nobody is told"); });
    bool body = false;
    silent.stepIf(
        12, []() -> bool { throw std::runtime_error("false"); }, [&] { body = true; });
    EXPECT_FALSE(body);
}

}  // namespace
