// The stand-in's progress, shared with a watching process (the soak driver) through a named file
// mapping whose name TARNWICK_STANDIN_PROGRESS gives. The watcher creates the mapping; the
// stand-in only opens it, and writes nothing when it cannot.
#pragma once

#include <windows.h>

namespace Standin {

struct Progress {
    volatile LONG processId;      // the stand-in's own id, set before READY
    volatile LONG framesAnswered; // FRAME lines whose answer has been sent
    // The watcher asks for a quiet moment: on receiving this FRAME (counted from 1) the stand-in
    // sets `holding` to its number and waits, at most holdLimitMilliseconds, until the watcher
    // sets holdFrame to another number. The host meanwhile waits for END_FRAME and draws nothing.
    volatile LONG holdFrame;
    volatile LONG holding;
};

// Below the host's 500 ms wait for END_FRAME, so a held frame is still answered in time.
constexpr DWORD holdLimitMilliseconds = 400;

} // namespace Standin
