// The reconnection back-off of sensors and broker sessions.
#include <gtest/gtest.h>

#include "bridge/worker.h"

namespace lq::bridge {
namespace {

TEST(Backoff, OneSecondDoublingToSixtyAndBackToOneAfterASuccess) {
    Backoff b;
    const double expected[] = {1, 2, 4, 8, 16, 32, 60, 60, 60};
    for (double e : expected) EXPECT_EQ(b.Next(), e);
    b.Reset();
    EXPECT_EQ(b.Next(), 1);
    EXPECT_EQ(b.Next(), 2);
}

}  // namespace
}  // namespace lq::bridge
