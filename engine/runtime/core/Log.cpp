#include "core/Log.h"

#include <iostream>

namespace TarnwickEngine {

namespace {

void writeLine(std::ostream& stream, const char* prefix, const std::string& message) {
    // std::endl flushes: a line must reach the console before the next one on the other stream.
    stream << prefix << message << std::endl;
}

} // namespace

void Log::info(const std::string& message) { writeLine(std::cout, "[Info] ", message); }
void Log::warn(const std::string& message) { writeLine(std::cout, "[Warn] ", message); }
void Log::error(const std::string& message) { writeLine(std::cerr, "[Error] ", message); }

} // namespace TarnwickEngine
