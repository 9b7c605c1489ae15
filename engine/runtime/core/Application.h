// The running program: owns the window, the renderer, the frame clock and the script host (built
// in that order, destroyed in reverse), runs the start-up sequence and the frame loop.
#pragma once

#include "core/FrameClock.h"
#include "core/ProjectConfig.h"
#include "render/Renderer.h"
#include "render/Window.h"
#include "scripthost/ScriptHost.h"

#include <filesystem>

namespace TarnwickEngine {

class Application {
public:
    // 1 when a start-up step fails (its reason logged), 0 when the window was closed.
    int run(const std::filesystem::path& projectPath);

    // Fills `config` from "project.json" in the project directory; false after one error line.
    bool loadProject(const std::filesystem::path& projectPath, ProjectConfig& config);

    // The script-host assembly beside the executable, under the current directory's build output,
    // or under the build output two levels above the project; candidate 2 when none exists.
    std::filesystem::path findScriptHost(const std::filesystem::path& projectRoot);

private:
    bool startUp(const std::filesystem::path& projectPath, ProjectConfig& config);
    void runFrame(const ProjectConfig& config);

    Window window;
    Renderer renderer;
    FrameClock frameClock;
    ScriptHost scriptHost;
};

// The folder of the running executable, or the current directory when Windows cannot tell.
std::filesystem::path getExecutableDirectory();

} // namespace TarnwickEngine
