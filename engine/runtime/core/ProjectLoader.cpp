// Application::loadProject: "project.json" read key by key into a ProjectConfig.
#include "core/Application.h"

#include "core/Files.h"
#include "core/Log.h"
#include "core/ProjectFileReaders.h"
#include "core/TextEncoding.h"

#include <exception>

namespace TarnwickEngine {

namespace {

// Each field is stored as soon as it is read, so a failure leaves the earlier ones filled.
void readSettings(const std::string& json, const std::filesystem::path& root, ProjectConfig& config) {
    config.name = readJsonString(json, "name", narrowFromPath(root.filename()));
    config.projectRoot = root;
    config.mainClass = readJsonString(json, "mainClass", "");
    config.startScene = readJsonString(json, "startScene", "");
    config.mainAssemblyPath = resolvePath(root, pathFromNarrow(readJsonString(json, "mainAssembly", "")));

    config.window.width = readJsonInt(json, "width", config.window.width);
    config.window.height = readJsonInt(json, "height", config.window.height);
    config.window.title = readJsonString(json, "title", config.window.title);

    const Color fallback = config.backgroundColor;
    config.backgroundColor = parseColor(readJsonString(json, "backgroundColor", "#12141a"), fallback);

    config.pixelPerfect = readJsonBool(json, "pixelPerfect", config.pixelPerfect);
    config.targetFps = readJsonInt(json, "targetFps", config.targetFps);
    config.enableFrameLimiter = readJsonBool(json, "enableFrameLimiter", config.enableFrameLimiter);
    config.maxDeltaTime = readJsonFloat(json, "maxDeltaTime", config.maxDeltaTime);

    const std::int32_t fixedFps = readJsonInt(json, "fixedPhysicsFps", 60);
    if (fixedFps > 0) {
        config.fixedDeltaTime = 1.0f / static_cast<float>(fixedFps);
    } else {
        config.fixedDeltaTime = readJsonFloat(json, "fixedDeltaTime", config.fixedDeltaTime);
    }

    config.x = readJsonFloat(json, "x", 0.0f);
    config.y = readJsonFloat(json, "y", 0.0f);
}

} // namespace

bool Application::loadProject(const std::filesystem::path& projectPath, ProjectConfig& config) {
    try {
        const std::filesystem::path root = std::filesystem::weakly_canonical(projectPath);
        const std::string json = readTextFile(root / "project.json");
        readSettings(json, root, config);
        if (config.mainClass.empty()) {
            Log::error("project.json must define mainClass.");
            return false;
        }
        return true;
    } catch (const std::exception& error) {
        Log::error(error.what());
        return false;
    }
}

} // namespace TarnwickEngine
