#include "core/CommandLine.h"

#include "core/Files.h"
#include "core/Log.h"
#include "core/TextEncoding.h"

#include <string>

namespace TarnwickEngine {

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CommandLine result;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--project" && i + 1 < argc) {
            ++i;
            const std::filesystem::path value = pathFromNarrow(argv[i]);
            result.projectPath = value.filename() == "project.json" ? value.parent_path() : value;
        } else if (argument == "--preview") {
            result.preview = true;
        } else if (argument.compare(0, 2, "--") != 0) {
            result.projectPath = pathFromNarrow(argument);
        }
    }
    return result;
}

void logPreviewLine(const std::filesystem::path& projectPath) {
    Log::info("Preview mode enabled for project: " + pathToString(projectPath));
}

} // namespace TarnwickEngine
