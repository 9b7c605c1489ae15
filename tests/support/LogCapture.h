// Captures what Log writes, and resets the shared input state between tests.
#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace TarnwickTest {

// Redirects std::cout and std::cerr, where Log writes, for the object's lifetime.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::string out() const { return outText.str(); }
    std::string err() const { return errText.str(); }
    // The captured lines of one stream, without their line ends.
    std::vector<std::string> outLines() const;
    std::vector<std::string> errLines() const;

private:
    std::ostringstream outText;
    std::ostringstream errText;
    std::streambuf* oldOut;
    std::streambuf* oldErr;
};

// No key or button down and the mouse at 0, 0, as at program start.
void releaseAllInput();

} // namespace TarnwickTest
