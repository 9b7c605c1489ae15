#include "core/Application.h"

#include "core/Files.h"
#include "core/FramePacing.h"
#include "core/Log.h"

#include <chrono>

namespace TarnwickEngine {

int Application::run(const std::filesystem::path& projectPath) {
    ProjectConfig config;
    if (!startUp(projectPath, config)) return 1;

    // Window messages are pumped only here, so Input holds still for the rest of the pass.
    while (window.pumpMessages()) {
        runFrame(config);
    }
    scriptHost.shutdown();
    return 0;
}

bool Application::startUp(const std::filesystem::path& projectPath, ProjectConfig& config) {
    if (!loadProject(projectPath, config)) return false;
    if (!window.create(static_cast<std::uint32_t>(config.window.width),
                       static_cast<std::uint32_t>(config.window.height), config.window.title)) {
        return false;
    }
    if (!renderer.initialize(&window)) return false;
    renderer.setProjectRoot(config.projectRoot);
    renderer.setPixelPerfect(config.pixelPerfect);

    ScriptHostConfig scriptConfig;
    scriptConfig.projectRoot = config.projectRoot;
    scriptConfig.assemblyPath = config.mainAssemblyPath;
    scriptConfig.scriptHostPath = findScriptHost(config.projectRoot);
    scriptConfig.mainClass = config.mainClass;
    scriptConfig.startScene = config.startScene;
    scriptConfig.fixedDeltaTime = config.fixedDeltaTime;
    scriptConfig.x = config.x;
    scriptConfig.y = config.y;

    if (!pathExists(scriptConfig.scriptHostPath)) {
        Log::error("Script host was not found: " + pathToString(scriptConfig.scriptHostPath));
        return false;
    }
    if (!pathExists(scriptConfig.assemblyPath)) {
        Log::error("Game assembly was not found: " + pathToString(scriptConfig.assemblyPath));
        return false;
    }
    if (!scriptHost.start(scriptConfig)) return false;
    scriptHost.startScripts();
    frameClock.reset();
    Log::info("Running project: " + config.name);
    return true;
}

void Application::runFrame(const ProjectConfig& config) {
    const auto frameStart = std::chrono::steady_clock::now();
    const float dt = clampTimeStep(frameClock.tick(), config.maxDeltaTime);
    scriptHost.frame(dt);

    const FrameCommands& commands = scriptHost.commands();
    renderer.beginFrame(config.backgroundColor);
    renderer.setCamera(commands.camera);
    renderer.drawRects(commands.rects);
    renderer.drawSprites(commands.sprites);
    renderer.drawTexts(commands.texts);
    renderer.drawDebugRects(commands.debugRects);
    renderer.present();

    if (config.enableFrameLimiter) waitForFrameEnd(frameStart, config.targetFps);
}

} // namespace TarnwickEngine
