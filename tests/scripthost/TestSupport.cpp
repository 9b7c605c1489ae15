#include "TestSupport.h"

#include "core/Application.h"
#include "core/Files.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>

namespace TarnwickTest {

namespace fs = std::filesystem;

namespace {

std::string colorText(const TarnwickEngine::Color& c) {
    return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
}

std::string boxText(float x, float y, float w, float h) {
    std::ostringstream text;
    text << x << "," << y << "," << w << "," << h;
    return text.str();
}

} // namespace


std::string describe(const TarnwickEngine::FrameCommands& commands,
                     const std::vector<TarnwickEngine::Collider>& colliders, const fs::path& root) {
    const std::string rootText = TarnwickEngine::pathToString(root);
    const auto pathText = [&](const fs::path& path) {
        std::string text = TarnwickEngine::pathToString(path);
        if (text.rfind(rootText, 0) == 0) text = "<root>" + text.substr(rootText.size());
        return text;
    };
    std::vector<std::string> records;
    for (const auto& r : commands.rects) {
        records.push_back((r.screenSpace ? "screen " : "rect ") + boxText(r.x, r.y, r.w, r.h) + " " + colorText(r.color));
    }
    for (const auto& r : commands.debugRects) records.push_back("debug " + boxText(r.x, r.y, r.w, r.h) + " " + colorText(r.color));
    for (const auto& s : commands.sprites) {
        std::string text = "sprite " + boxText(s.x, s.y, s.w, s.h) + " " + colorText(s.color) + " " + pathText(s.texture) +
                           " flips " + std::to_string(s.flipX) + " " + std::to_string(s.flipY);
        if (s.hasSourceRect) text += " src " + boxText(s.sourceX, s.sourceY, s.sourceW, s.sourceH);
        records.push_back(text);
    }
    for (const auto& t : commands.texts) {
        std::ostringstream text;
        text << "text " << t.x << "," << t.y << " '" << t.text << "' " << pathText(t.font) << " " << t.size << " "
             << colorText(t.color) << (t.screenSpace ? " screen " : " world ") << t.alignment;
        records.push_back(text.str());
    }
    for (const auto& c : colliders) records.push_back("collider " + std::to_string(c.id) + " " + boxText(c.x, c.y, c.w, c.h));
    std::string all;
    for (const std::string& record : records) all += (all.empty() ? "" : "; ") + record;
    return all;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace TarnwickTest
