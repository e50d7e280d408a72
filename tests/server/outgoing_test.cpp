#include "server/outgoing.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(OutgoingQueue, KeepsEightInOrderAndDropsTheNewWhenFull) {
    auto q = std::make_unique<OutgoingQueue>();
    for (uint8_t i = 0; i < 10; ++i) {
        const uint8_t byte = i;
        EXPECT_EQ(push_outgoing(*q, Endpoint{i, i}, &byte, 1), i < 8);
    }
    for (uint8_t i = 0; i < 3; ++i) {
        const OutgoingDatagram* d = pop_outgoing(*q);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->bytes[0], i);
        EXPECT_EQ(d->to.port, i);
    }
    // The ring wraps around.
    for (uint8_t i = 10; i < 13; ++i) EXPECT_TRUE(push_outgoing(*q, Endpoint{}, &i, 1));
    const uint8_t extra = 99;
    EXPECT_FALSE(push_outgoing(*q, Endpoint{}, &extra, 1));
    const uint8_t expected[] = {3, 4, 5, 6, 7, 10, 11, 12};
    for (uint8_t e : expected) {
        const OutgoingDatagram* d = pop_outgoing(*q);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->length, 1u);
        EXPECT_EQ(d->bytes[0], e);
    }
    EXPECT_EQ(pop_outgoing(*q), nullptr);
}

TEST(OutgoingQueue, RefusesOversizedDatagrams) {
    auto q = std::make_unique<OutgoingQueue>();
    static uint8_t big[MAX_DATAGRAM + 1] = {};
    EXPECT_FALSE(push_outgoing(*q, Endpoint{}, big, sizeof big));
    EXPECT_TRUE(push_outgoing(*q, Endpoint{}, big, MAX_DATAGRAM));
}

}  // namespace
