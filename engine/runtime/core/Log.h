// The console log: one line per message, "[Info] " and "[Warn] " on standard output,
// "[Error] " on standard error, each line flushed at once so the two streams stay in order.
#pragma once

#include <string>

namespace TarnwickEngine {

class Log {
public:
    static void info(const std::string& message);
    static void warn(const std::string& message);
    static void error(const std::string& message);
};

} // namespace TarnwickEngine
