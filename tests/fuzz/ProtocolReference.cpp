#include "ProtocolReference.h"

#include "FuzzSupport.h"

#include "core/Files.h"
#include "core/TextEncoding.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace TarnwickFuzz {

namespace fs = std::filesystem;
using namespace TarnwickEngine;

namespace {

static_assert(sizeof(long) == 4, "strtol reads exactly the int32 range on this platform");

bool startsWith(const std::string& text, const char* tag) { return text.rfind(tag, 0) == 0; }

// std::getline's cutting: no part after a final '|', none at all for an empty text.
std::vector<std::string> partsOf(const std::string& text) {
    std::vector<std::string> parts;
    std::istringstream stream(text);
    std::string part;
    while (std::getline(stream, part, '|')) parts.push_back(part);
    return parts;
}

// strtof from the field's start; bad without a number there or beyond the float range. A field
// past 1000 bytes comes only from the stream test's long lines, whose digits repeat, so its first
// 1000 bytes read as the same float; strtof on the whole field would take minutes.
bool readFloat(const std::string& whole, float& value) {
    const std::string field = whole.substr(0, 1000);
    const char* start = field.c_str();
    char* end = nullptr;
    errno = 0;
    const float read = std::strtof(start, &end);
    if (end == start) return false;
    if (errno == ERANGE && std::fabs(read) == HUGE_VALF) return false;
    value = read;
    return true;
}

// strtol in base 10, which reads 32 bits here; bad without digits or out of range.
bool readInt(const std::string& field, std::int32_t& value) {
    const char* start = field.c_str();
    char* end = nullptr;
    errno = 0;
    const long read = std::strtol(start, &end, 10);
    if (end == start || errno == ERANGE) return false;
    value = static_cast<std::int32_t>(read);
    return true;
}

bool readChannel(const std::string& field, std::uint8_t& value) {
    std::int32_t number = 0;
    if (!readInt(field, number)) return false;
    value = static_cast<std::uint8_t>(static_cast<std::uint32_t>(number) % 256u);
    return true;
}

bool readFlag(const std::string& field) { return field == "True" || field == "true"; }

std::string hex(float value) {
    char text[48];
    std::snprintf(text, sizeof text, "%a", static_cast<double>(value));
    return text;
}

std::string wideShown(const fs::path& path) {
    std::string text;
    for (const wchar_t c : path.native()) {
        if (c >= 0x20 && c < 0x7F) {
            text += static_cast<char>(c);
        } else {
            char escaped[12];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
            text += escaped;
        }
    }
    return text;
}

std::string colorText(const Color& c) {
    return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
}

std::string box(float x, float y, float w, float h) { return hex(x) + "," + hex(y) + "," + hex(w) + "," + hex(h); }

} // namespace

void ReferenceReader::line(const std::string& text) {
    if (text == "READY") {
        records.ready = true;
    } else if (text == "STARTED") {
        records.started = true;
    } else if (text == "END_FRAME") {
        records.frameEnded = true;
    } else if (startsWith(text, "LOG|")) {
        const std::size_t bar = text.find('|', 4);
        if (bar == std::string::npos) return;
        const std::string level = text.substr(4, bar - 4);
        const std::string message = text.substr(bar + 1);
        if (level == "Warn") {
            out += "[Warn] " + message + "\n";
        } else if (level == "Error") {
            err += "[Error] " + message + "\n";
        } else {
            out += "[Info] " + message + "\n";
        }
    } else if (startsWith(text, "ERROR|")) {
        err += "[Error] " + text.substr(6) + "\n";
    } else {
        static const char* const tags[] = {"RECT", "SCREEN_RECT", "SPRITE", "SPRITE_EX", "TEXT", "CAMERA", "COLLIDER",
                                           "DEBUG_RECT"};
        for (const char* tag : tags) {
            if (startsWith(text, (std::string(tag) + "|").c_str())) {
                record(partsOf(text), tag, text);
                return;
            }
        }
        if (!text.empty()) out += "[Info] [ScriptHost] " + text + "\n";
    }
}

bool ReferenceReader::path(const std::string& field, fs::path& resolved) {
    try {
        resolved = resolvePath(root, pathFromNarrow(field));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void ReferenceReader::warnBadLine(const std::string& tag, const std::string& text) {
    if (!warnedTags.insert(tag).second) return;
    out += "[Warn] Dropped a script host line with a bad number or path (later ones of its kind are dropped "
           "silently): " +
           text.substr(0, 200) + (text.size() > 200 ? "..." : "") + "\n";
}

// Fields are read in part order and the first bad one drops the line, as the bridge reads them.
void ReferenceReader::record(const std::vector<std::string>& p, const std::string& tag, const std::string& text) {
    const std::size_t n = p.size();
    bool good = true;
    const auto number = [&](std::size_t i, float& value) { good = good && readFloat(p[i], value); };
    const auto channels = [&](std::size_t i, Color& color) {
        good = good && readChannel(p[i], color.r) && readChannel(p[i + 1], color.g) && readChannel(p[i + 2], color.b);
    };
    const auto pathField = [&](std::size_t i, fs::path& value) { good = good && path(p[i], value); };

    if (tag == "RECT" || tag == "SCREEN_RECT" || tag == "DEBUG_RECT") {
        if (n != 8) return;
        RectCommand rect;
        number(1, rect.x), number(2, rect.y), number(3, rect.w), number(4, rect.h), channels(5, rect.color);
        rect.screenSpace = tag == "SCREEN_RECT";
        if (!good) return warnBadLine(tag, text);
        (tag == "DEBUG_RECT" ? records.commands.debugRects : records.commands.rects).push_back(rect);
    } else if (tag == "SPRITE" || tag == "SPRITE_EX") {
        if (tag == "SPRITE" ? (n != 9 && n != 11) : n != 15) return;
        SpriteCommand sprite;
        number(1, sprite.x), number(2, sprite.y), number(3, sprite.w), number(4, sprite.h);
        channels(5, sprite.color);
        pathField(8, sprite.texture);
        if (n >= 11) sprite.flipX = readFlag(p[9]), sprite.flipY = readFlag(p[10]);
        if (tag == "SPRITE_EX") {
            sprite.hasSourceRect = true;
            number(11, sprite.sourceX), number(12, sprite.sourceY), number(13, sprite.sourceW), number(14, sprite.sourceH);
        }
        if (!good) return warnBadLine(tag, text);
        records.commands.sprites.push_back(sprite);
    } else if (tag == "TEXT") {
        if (n != 11) return;
        TextCommand line;
        number(1, line.x), number(2, line.y);
        line.text = p[3];
        pathField(4, line.font);
        number(5, line.size);
        channels(6, line.color);
        line.screenSpace = readFlag(p[9]);
        line.alignment = p[10];
        if (!good) return warnBadLine(tag, text);
        records.commands.texts.push_back(line);
    } else if (tag == "CAMERA") {
        if (n < 3) return;
        Camera camera = records.commands.camera;
        number(1, camera.x), number(2, camera.y);
        if (n >= 6) number(3, camera.zoom), number(4, camera.viewportWidth), number(5, camera.viewportHeight);
        if (!good) return warnBadLine(tag, text);
        records.commands.camera = camera;
    } else if (tag == "COLLIDER") {
        if (n != 6) return;
        Collider collider;
        good = readInt(p[1], collider.id);
        number(2, collider.x), number(3, collider.y), number(4, collider.w), number(5, collider.h);
        if (!good) return warnBadLine(tag, text);
        records.colliders.push_back(collider);
    }
}

void ReferenceReader::bytes(const std::string& chunk) {
    std::size_t from = 0;
    while (from < chunk.size()) {
        const std::size_t newline = chunk.find('\n', from);
        if (newline == std::string::npos) {
            // Past the bound only the length matters, so the bytes themselves need not be kept.
            if (partial.size() <= lineBound) {
                partial.append(chunk, from, std::string::npos);
            } else {
                partial.resize(partial.size() + chunk.size() - from);
            }
            return;
        }
        if (partial.size() <= lineBound) partial.append(chunk, from, newline - from);
        else partial.resize(partial.size() + newline - from);
        if (partial.size() > lineBound) {
            if (!partialWarned) out += "[Warn] Dropped a script host line longer than 1 MiB.\n";
        } else {
            if (!partial.empty() && partial.back() == '\r') partial.pop_back();
            line(partial);
        }
        partial.clear();
        partialWarned = false;
        from = newline + 1;
    }
}

void ReferenceReader::endOfBytes() {
    if (partial.size() > lineBound && !partialWarned) {
        out += "[Warn] Dropped a script host line longer than 1 MiB.\n";
        partialWarned = true;
    }
}

std::string describeCamera(const Camera& camera) {
    return "camera " + hex(camera.x) + "," + hex(camera.y) + " zoom " + hex(camera.zoom) + " view " +
           hex(camera.viewportWidth) + "," + hex(camera.viewportHeight);
}

std::string describeLists(const FrameCommands& commands, const std::vector<Collider>& colliders, std::size_t fromRects,
                          std::size_t fromSprites, std::size_t fromTexts, std::size_t fromDebugRects,
                          std::size_t fromColliders) {
    std::string text;
    for (std::size_t i = fromRects; i < commands.rects.size(); ++i) {
        const RectCommand& r = commands.rects[i];
        text += (r.screenSpace ? "screen " : "rect ") + box(r.x, r.y, r.w, r.h) + " " + colorText(r.color) + "\n";
    }
    for (std::size_t i = fromDebugRects; i < commands.debugRects.size(); ++i) {
        const RectCommand& r = commands.debugRects[i];
        text += std::string("debug ") + (r.screenSpace ? "screen " : "") + box(r.x, r.y, r.w, r.h) + " " +
                colorText(r.color) + "\n";
    }
    for (std::size_t i = fromSprites; i < commands.sprites.size(); ++i) {
        const SpriteCommand& s = commands.sprites[i];
        text += "sprite " + box(s.x, s.y, s.w, s.h) + " " + colorText(s.color) + " <" + wideShown(s.texture) + "> flips " +
                std::to_string(s.flipX) + std::to_string(s.flipY) + (s.hasSourceRect ? " src " : " nosrc ") +
                box(s.sourceX, s.sourceY, s.sourceW, s.sourceH) + "\n";
    }
    for (std::size_t i = fromTexts; i < commands.texts.size(); ++i) {
        const TextCommand& t = commands.texts[i];
        text += "text " + hex(t.x) + "," + hex(t.y) + " '" + shown(t.text, 1 << 30) + "' <" + wideShown(t.font) + "> " +
                hex(t.size) + " " + colorText(t.color) + (t.screenSpace ? " screen '" : " world '") +
                shown(t.alignment, 1 << 30) + "'\n";
    }
    for (std::size_t i = fromColliders; i < colliders.size(); ++i) {
        const Collider& c = colliders[i];
        text += "collider " + std::to_string(c.id) + " " + box(c.x, c.y, c.w, c.h) + "\n";
    }
    return text;
}

std::string describe(const Records& records) {
    return std::string("flags ") + (records.ready ? "R" : "-") + (records.started ? "S" : "-") +
           (records.frameEnded ? "E" : "-") + "\n" + describeCamera(records.commands.camera) + "\n" +
           describeLists(records.commands, records.colliders);
}

} // namespace TarnwickFuzz
