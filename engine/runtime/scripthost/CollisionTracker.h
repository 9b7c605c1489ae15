// Turns each update's collider boxes into enter events: two events, one addressed to each side,
// for every pair of different ids that overlaps now and did not at the previous update.
#pragma once

#include "scripthost/FrameCommands.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace TarnwickEngine {

struct CollisionEvent {
    std::int32_t selfId;
    std::int32_t otherId;
};

class CollisionTracker {
public:
    // Events in pair order (by first index, then second); the earlier box's event comes first.
    std::vector<CollisionEvent> update(const std::vector<Collider>& colliders);

private:
    // Pairs are remembered by id, not by position in the list.
    std::set<std::string> previousPairs;
};

// Strict comparisons: boxes that only touch do not overlap, and NaN overlaps nothing.
bool overlaps(const Collider& a, const Collider& b);

// "lower:upper" of the two ids, so that both orders name the same pair.
std::string pairKey(std::int32_t a, std::int32_t b);

} // namespace TarnwickEngine
