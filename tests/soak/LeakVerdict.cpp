#include "LeakVerdict.h"

#include <algorithm>

namespace TarnwickSoak {

bool countShowsNoLeak(const std::vector<long long>& counts) {
    if (std::any_of(counts.begin(), counts.end(), [](long long count) { return count < 0; })) return false;
    int rises = 0, still = 0;
    for (std::size_t i = 1; i < counts.size(); ++i) {
        if (counts[i] > counts[i - 1]) {
            ++rises;
        } else if (counts[i] == counts[i - 1]) {
            ++still;
        }
    }
    return rises == 0 || (rises == 1 && still >= 2);
}

} // namespace TarnwickSoak
