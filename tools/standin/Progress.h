// The stand-in's progress, shared with a watching process (the soak driver) through a named file
// mapping whose name TARNWICK_STANDIN_PROGRESS gives. The watcher creates the mapping; the
// stand-in only opens it, and writes nothing when it cannot.
#pragma once

#include <windows.h>

namespace Standin {

struct Progress {
    volatile LONG processId;      // the stand-in's own id, set before READY
    volatile LONG framesAnswered; // FRAME lines whose answer has been sent
};

} // namespace Standin
