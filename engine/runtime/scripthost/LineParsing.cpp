// The child's lines: handshake words, log lines and the command records of a frame.
#include "scripthost/ScriptHostImpl.h"

#include "core/DecimalText.h"
#include "core/Log.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace TarnwickEngine {

namespace {

// One bit per command tag, for the once-per-tag warning about bad lines.
enum TagBit : std::uint32_t {
    rectBit = 1u << 0,
    screenRectBit = 1u << 1,
    spriteBit = 1u << 2,
    spriteExBit = 1u << 3,
    textBit = 1u << 4,
    cameraBit = 1u << 5,
    colliderBit = 1u << 6,
    debugRectBit = 1u << 7,
};

constexpr std::size_t warnedLineBytes = 200;

bool startsWith(std::string_view line, std::string_view tag) { return line.substr(0, tag.size()) == tag; }

// strtof and strtoll need terminated text, and a field is a slice of its line. A field that a '|'
// follows is read where it lies: '|' can neither continue a number nor be skipped as white space,
// so the reading stops there exactly as at a terminator. Only the last field is copied, since the
// bytes after it belong to the next line.
class NumberText {
public:
    NumberText(const std::vector<std::string_view>& parts, std::size_t index) {
        const std::string_view field = parts[index];
        if (index + 1 < parts.size()) {
            text = field.data();
        } else if (field.size() < sizeof(shortText)) {
            std::memcpy(shortText, field.data(), field.size());
            shortText[field.size()] = '\0';
            text = shortText;
        } else {
            large.assign(field);
            text = large.c_str();
        }
    }
    const char* c_str() const { return text; }

private:
    const char* text = nullptr;
    char shortText[64];
    std::string large;
};

// A number read from the field's start, the rest ignored ("12px" is 12). Bad: no number at the
// start (an empty field too), or a finite text too large for a float, which strtof turns into an
// infinity; only a spelt-out infinity has an 'i' in it. Results below the smallest normal float
// keep strtof's subnormal or zero value, the nearest float to what the script meant. errno is not
// consulted: under the C runtime each touch of it is a call.
bool readFloat(const std::vector<std::string_view>& parts, std::size_t index, float& out) {
    const NumberText text(parts, index);
    char* end = nullptr;
    // A field holds no more digits than bytes; most are a handful long.
    const float value = parts[index].size() <= strtofQuickDigits ? std::strtof(text.c_str(), &end)
                                                                 : boundedStrtof(text.c_str(), &end);
    if (end == text.c_str()) return false;
    if (std::isinf(value)) {
        const std::string_view read(text.c_str(), static_cast<std::size_t>(end - text.c_str()));
        if (read.find_first_of("iI") == std::string_view::npos) return false;
    }
    out = value;
    return true;
}

// A base-10 integer from the field's start, as strtol reads one into 32 bits; bad outside them.
// strtoll clamps an overflow to its own limits, which lie outside 32 bits as well.
bool readInt32(const std::vector<std::string_view>& parts, std::size_t index, std::int32_t& out) {
    const NumberText text(parts, index);
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (end == text.c_str()) return false;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
        return false;
    }
    out = static_cast<std::int32_t>(value);
    return true;
}

// The channel keeps the low 8 bits: 256 gives 0, -1 gives 255.
bool readChannel(const std::vector<std::string_view>& parts, std::size_t index, std::uint8_t& out) {
    std::int32_t value = 0;
    if (!readInt32(parts, index, value)) return false;
    out = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) & 0xFFu);
    return true;
}

bool readFlag(std::string_view field) { return field == "True" || field == "true"; }

bool readBox(const std::vector<std::string_view>& parts, std::size_t first, float& x, float& y, float& w, float& h) {
    return readFloat(parts, first, x) && readFloat(parts, first + 1, y) && readFloat(parts, first + 2, w) &&
           readFloat(parts, first + 3, h);
}

bool readColor(const std::vector<std::string_view>& parts, std::size_t first, Color& color) {
    return readChannel(parts, first, color.r) && readChannel(parts, first + 1, color.g) &&
           readChannel(parts, first + 2, color.b);
}

} // namespace

// One pass over the text: a field ends at each delimiter, and the text's end ends a last field
// only when there is one (getline's rule: nothing after a final delimiter).
void splitInto(std::string_view text, char delimiter, std::vector<std::string_view>& fields) {
    fields.clear();
    const char* const end = text.data() + text.size();
    const char* start = text.data();
    for (const char* at = start; at != end; ++at) {
        if (*at != delimiter) continue;
        fields.emplace_back(start, static_cast<std::size_t>(at - start));
        start = at + 1;
    }
    if (start != end) fields.emplace_back(start, static_cast<std::size_t>(end - start));
}

std::vector<std::string> split(const std::string& text, char delimiter) {
    std::vector<std::string_view> views;
    splitInto(text, delimiter, views);
    return std::vector<std::string>(views.begin(), views.end());
}

// The tests exclude one another (whole words, and tags that all end in '|'), so they are made by
// the line's first character: a line meets at most four of them.
void ScriptHost::Impl::handleLine(std::string_view line) {
    if (line.empty()) return;
    switch (line[0]) {
    case 'R':
        if (line == "READY") {
            ready = true;
            return;
        }
        if (startsWith(line, "RECT|")) return parseRect(line);
        break;
    case 'S':
        if (line == "STARTED") {
            started = true;
            return;
        }
        if (startsWith(line, "SPRITE_EX|")) return parseSpriteEx(line);
        if (startsWith(line, "SPRITE|")) return parseSprite(line);
        if (startsWith(line, "SCREEN_RECT|")) return parseScreenRect(line);
        break;
    case 'E':
        if (line == "END_FRAME") {
            frameEnded = true;
            return;
        }
        if (startsWith(line, "ERROR|")) {
            logText.assign(line.substr(6));
            return Log::error(logText);
        }
        break;
    case 'L':
        if (startsWith(line, "LOG|")) return handleLog(line);
        break;
    case 'T':
        if (startsWith(line, "TEXT|")) return parseText(line);
        break;
    case 'C':
        if (startsWith(line, "CAMERA|")) return parseCamera(line);
        if (startsWith(line, "COLLIDER|")) return parseCollider(line);
        break;
    case 'D':
        if (startsWith(line, "DEBUG_RECT|")) return parseDebugRect(line);
        break;
    default:
        break;
    }
    logText.assign("[ScriptHost] ");
    logText.append(line);
    Log::info(logText);
}

void ScriptHost::Impl::handleLog(std::string_view line) {
    const std::size_t separator = line.find('|', 4);
    if (separator == std::string_view::npos) return;
    const std::string_view level = line.substr(4, separator - 4);
    logText.assign(line.substr(separator + 1));
    if (level == "Warn") {
        Log::warn(logText);
    } else if (level == "Error") {
        Log::error(logText);
    } else {
        Log::info(logText);
    }
}

// The field is 8-bit text in the ANSI code page, resolved against the project folder.
bool ScriptHost::Impl::readPath(std::string_view field, std::filesystem::path& out) {
    return resolvedPaths.resolve(projectRoot, field, out);
}

// A line with a bad number or an unresolvable path is dropped whole. The warning comes once per
// tag, so a script that sends a broken line every frame cannot flood the console.
void ScriptHost::Impl::rejectLine(std::uint32_t tagBit, std::string_view line) {
    if ((warnedTags & tagBit) != 0) return;
    warnedTags |= tagBit;
    std::string shown(line.substr(0, warnedLineBytes));
    if (line.size() > warnedLineBytes) shown += "...";
    Log::warn("Dropped a script host line with a bad number or path (later ones of its kind are dropped "
              "silently): " + shown);
}

void ScriptHost::Impl::parseRectInto(std::string_view line, std::uint32_t tagBit, std::vector<RectCommand>& list,
                                     bool screenSpace) {
    splitInto(line, '|', parts);
    if (parts.size() != 8) return;
    RectCommand rect;
    if (!readBox(parts, 1, rect.x, rect.y, rect.w, rect.h) || !readColor(parts, 5, rect.color)) {
        rejectLine(tagBit, line);
        return;
    }
    rect.screenSpace = screenSpace;
    list.push_back(rect);
}

void ScriptHost::Impl::parseRect(std::string_view line) { parseRectInto(line, rectBit, frameCommands.rects, false); }

void ScriptHost::Impl::parseScreenRect(std::string_view line) {
    parseRectInto(line, screenRectBit, frameCommands.rects, true);
}

void ScriptHost::Impl::parseDebugRect(std::string_view line) {
    parseRectInto(line, debugRectBit, frameCommands.debugRects, false);
}

void ScriptHost::Impl::parseSprite(std::string_view line) {
    splitInto(line, '|', parts);
    if (parts.size() != 9 && parts.size() != 11) return;
    SpriteCommand sprite;
    if (!readBox(parts, 1, sprite.x, sprite.y, sprite.w, sprite.h) || !readColor(parts, 5, sprite.color) ||
        !readPath(parts[8], sprite.texture)) {
        rejectLine(spriteBit, line);
        return;
    }
    if (parts.size() == 11) {
        sprite.flipX = readFlag(parts[9]);
        sprite.flipY = readFlag(parts[10]);
    }
    frameCommands.sprites.push_back(std::move(sprite));
}

void ScriptHost::Impl::parseSpriteEx(std::string_view line) {
    splitInto(line, '|', parts);
    if (parts.size() != 15) return;
    SpriteCommand sprite;
    if (!readBox(parts, 1, sprite.x, sprite.y, sprite.w, sprite.h) || !readColor(parts, 5, sprite.color) ||
        !readPath(parts[8], sprite.texture) ||
        !readBox(parts, 11, sprite.sourceX, sprite.sourceY, sprite.sourceW, sprite.sourceH)) {
        rejectLine(spriteExBit, line);
        return;
    }
    sprite.flipX = readFlag(parts[9]);
    sprite.flipY = readFlag(parts[10]);
    sprite.hasSourceRect = true;
    frameCommands.sprites.push_back(std::move(sprite));
}

void ScriptHost::Impl::parseText(std::string_view line) {
    splitInto(line, '|', parts);
    if (parts.size() != 11) return;
    TextCommand text;
    if (!readFloat(parts, 1, text.x) || !readFloat(parts, 2, text.y) || !readPath(parts[4], text.font) ||
        !readFloat(parts, 5, text.size) || !readColor(parts, 6, text.color)) {
        rejectLine(textBit, line);
        return;
    }
    text.text.assign(parts[3]);
    text.screenSpace = readFlag(parts[9]);
    text.alignment.assign(parts[10]);
    frameCommands.texts.push_back(std::move(text));
}

// Every field the line carries is converted before any is stored, so a bad line leaves the camera
// exactly as it was.
void ScriptHost::Impl::parseCamera(std::string_view line) {
    splitInto(line, '|', parts);
    if (parts.size() < 3) return;
    Camera camera = frameCommands.camera;
    bool good = readFloat(parts, 1, camera.x) && readFloat(parts, 2, camera.y);
    if (good && parts.size() >= 6) {
        good = readFloat(parts, 3, camera.zoom) && readFloat(parts, 4, camera.viewportWidth) &&
               readFloat(parts, 5, camera.viewportHeight);
    }
    if (!good) {
        rejectLine(cameraBit, line);
        return;
    }
    frameCommands.camera = camera;
}

void ScriptHost::Impl::parseCollider(std::string_view line) {
    splitInto(line, '|', parts);
    if (parts.size() != 6) return;
    Collider collider;
    if (!readInt32(parts, 1, collider.id) || !readBox(parts, 2, collider.x, collider.y, collider.w, collider.h)) {
        rejectLine(colliderBit, line);
        return;
    }
    colliders.push_back(collider);
}

} // namespace TarnwickEngine
