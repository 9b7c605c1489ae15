// The soak's verdict on one count of objects (kernel handles, GDI or USER objects) read at the
// checkpoints after the first: did the program leak?
#pragma once

#include <vector>

namespace TarnwickSoak {

// A leak raises the count in every interval between two readings. An object made once raises it
// in one, whenever its moment comes: Wine, for one, makes the brush of an inactive window's border
// the first time another window takes the activation, which on a shared test display can be at
// any frame. So the count passes when every reading was taken (none is negative), it rose between
// at most one pair of neighbouring readings, and it held still in at least two other intervals,
// which tell a step from a slow climb.
bool countShowsNoLeak(const std::vector<long long>& counts);

} // namespace TarnwickSoak
