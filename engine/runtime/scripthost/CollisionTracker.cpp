#include "scripthost/CollisionTracker.h"

#include <algorithm>

namespace TarnwickEngine {

std::vector<CollisionEvent> CollisionTracker::update(const std::vector<Collider>& colliders) {
    std::set<std::string> currentPairs;
    std::vector<CollisionEvent> events;
    for (std::size_t i = 0; i < colliders.size(); ++i) {
        for (std::size_t j = i + 1; j < colliders.size(); ++j) {
            const Collider& a = colliders[i];
            const Collider& b = colliders[j];
            if (a.id == b.id || !overlaps(a, b)) continue;
            std::string key = pairKey(a.id, b.id);
            // Looked up in the previous update's pairs only, so a key that repeats within this
            // update (ids listed twice) gives its events each time.
            if (previousPairs.count(key) == 0) {
                events.push_back({a.id, b.id});
                events.push_back({b.id, a.id});
            }
            currentPairs.insert(std::move(key));
        }
    }
    previousPairs = std::move(currentPairs);
    return events;
}

bool overlaps(const Collider& a, const Collider& b) {
    return b.x + b.w > a.x && a.x + a.w > b.x && b.y + b.h > a.y && a.y + a.h > b.y;
}

std::string pairKey(std::int32_t a, std::int32_t b) {
    return std::to_string(std::min(a, b)) + ":" + std::to_string(std::max(a, b));
}

} // namespace TarnwickEngine
