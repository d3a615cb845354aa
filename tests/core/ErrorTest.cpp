#include <gtest/gtest.h>

#include "core/Error.h"

TEST(Error, CarriesNumberAndDescription) {
    try {
        throw pv::Error(2001, "Path not found: /x");
    } catch (const std::exception& e) {
        auto& err = dynamic_cast<const pv::Error&>(e);
        EXPECT_EQ(err.number(), 2001);
        EXPECT_EQ(err.description(), "Path not found: /x");
        EXPECT_STREQ(e.what(), "Path not found: /x");
    }
}
