#include "scripthost/CollisionTracker.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace TarnwickEngine;

namespace {

using Events = std::vector<std::pair<int, int>>;

Events eventsOf(const std::vector<CollisionEvent>& events) {
    Events pairs;
    for (const CollisionEvent& e : events) pairs.emplace_back(e.selfId, e.otherId);
    return pairs;
}

Collider box(std::int32_t id, float x, float y, float w = 10, float h = 10) { return Collider{id, x, y, w, h}; }

} // namespace

TEST(CollisionTracker, PairsEnterOnceUntilTheyPartAgain) {
    CollisionTracker tracker;
    const std::vector<Collider> together{box(1, 0, 0), box(2, 5, 5)};
    const std::vector<Collider> apart{box(1, 0, 0), box(2, 50, 50)};
    EXPECT_EQ(eventsOf(tracker.update(together)), (Events{{1, 2}, {2, 1}}));
    EXPECT_EQ(eventsOf(tracker.update(together)), Events{});
    EXPECT_EQ(eventsOf(tracker.update(apart)), Events{});
    EXPECT_EQ(eventsOf(tracker.update(together)), (Events{{1, 2}, {2, 1}}));
}

TEST(CollisionTracker, PairsAreKnownByIdNotByPosition) {
    CollisionTracker tracker;
    EXPECT_EQ(eventsOf(tracker.update({box(2, 0, 0), box(1, 5, 5)})), (Events{{2, 1}, {1, 2}}));
    EXPECT_EQ(eventsOf(tracker.update({box(1, 5, 5), box(2, 0, 0)})), Events{});
}

TEST(CollisionTracker, RepeatedIdsGiveEventsPerIndexPair) {
    CollisionTracker tracker;
    const std::vector<Collider> boxes{box(1, 0, 0), box(2, 5, 5), box(2, 2, 2)};
    EXPECT_EQ(eventsOf(tracker.update(boxes)), (Events{{1, 2}, {2, 1}, {1, 2}, {2, 1}}));
    EXPECT_EQ(eventsOf(tracker.update(boxes)), Events{});
}

TEST(CollisionTracker, SameIdsAndShortListsNeverCollide) {
    CollisionTracker tracker;
    EXPECT_EQ(eventsOf(tracker.update({})), Events{});
    EXPECT_EQ(eventsOf(tracker.update({box(1, 0, 0)})), Events{});
    EXPECT_EQ(eventsOf(tracker.update({box(0, 0, 0), box(0, 1, 1)})), Events{});
}

TEST(CollisionTracker, OverlapIsStrict) {
    const struct {
        Collider a, b;
        bool overlap;
    } cases[] = {
        {box(1, 0, 0), box(2, 9.5f, 9.5f), true},
        {box(1, 0, 0), box(2, 10, 0), false},
        {box(1, 0, 0), box(2, 0, 10), false},
        {box(1, 0, 0), box(2, -10, 0), false},
        {box(1, 0, 0), box(2, 10, 10), false},
        {box(1, 0, 0), box(2, 2, 2, 1, 1), true},
        {box(1, 0, 0, -10, 10), box(2, -5, 0), false},
        {box(1, NAN, 0), box(2, 0, 0), false},
        {box(1, 0, 0, 10, NAN), box(2, 0, 0), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(overlaps(c.a, c.b), c.overlap) << c.b.x << "," << c.b.y;
        EXPECT_EQ(overlaps(c.b, c.a), c.overlap) << c.b.x << "," << c.b.y;
    }
}

TEST(CollisionTracker, PairKeyNamesTheUnorderedPair) {
    EXPECT_EQ(pairKey(7, 3), "3:7");
    EXPECT_EQ(pairKey(3, 7), "3:7");
    EXPECT_EQ(pairKey(5, -2), "-2:5");
    EXPECT_EQ(pairKey(-2147483647 - 1, 2147483647), "-2147483648:2147483647");
}
