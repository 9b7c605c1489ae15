// The one way this program includes GDI+. The project defines NOMINMAX, but Microsoft's GDI+
// headers call min and max unqualified inside namespace Gdiplus, so the standard ones are made
// visible there first. mingw-w64's headers do not need them and accept them all the same.
#pragma once

#include <windows.h>

#include <algorithm>

namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus

#include <gdiplus.h>
