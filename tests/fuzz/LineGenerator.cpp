#include "LineGenerator.h"

#include <vector>

namespace TarnwickFuzz {

namespace {

const std::vector<std::string> floats = {
    "0", "1", "-1", "12.5", "-0", "+3", "  7", "\t8", "\v\f\r9", "12px", "1,5", "1e3", "1e-3", "-2.5e+2", "0x1p4",
    "0x1.8", "0X", "inf", "-INF", "infinity", "nan", "NaN(123)", "1e39", "-1e39", "3.4e38", "3.5e38", "3.4028235e38",
    "1e-40", "1e-50", ".5", "5.", "", " ", "abc", "-", "+", "e5", "--1", "1e", "1e+", "0.000001", "340282346638528859811704183484516925440",
    "123456789012345678901234567890", "-0.0", "4e-45", "1.17549435e-38"};

const std::vector<std::string> ints = {
    "0", "255", "256", "-1", "300", "-256", "2147483647", "2147483648", "-2147483648", "-2147483649", "99999999999",
    "  42", "+7", "0x1F", "007", "1.9", "", "x", "-", " -3", "4294967295", "4294967296", "\t12z", "1e3"};

const std::vector<std::string> flags = {"true", "True", "TRUE", "false", " true", "true ", "1", "yes", "", "tru", "trueX"};

const std::vector<std::string> paths = {
    "assets/a.png", "a.png", "", ".", "..", "../outside.png", "sub/../b.png", "sub\\c.png", "C:\\abs\\x.png",
    "Z:/tmp/x.png", "/rooted.png", "\\rooted.png", "C:relative.png", "\\\\?\\C:\\x.png", "\\\\.\\NUL", "con",
    "aux.png", "a:b", "x\xe9.png", "\xff\xfe", "\x81\x8d\x8f\x90\x9d", "a*?.png", "<>\"", " spaced .png", "trailing.",
    "a/./b//c.png", "sub/", std::string(300, 'p') + ".png", std::string("nul\0byte.png", 12)};

const std::vector<std::string> tags = {"RECT",   "SCREEN_RECT", "SPRITE", "SPRITE_EX", "TEXT",
                                       "CAMERA", "COLLIDER",    "DEBUG_RECT"};

// The type of each field after the tag, by tag: f float, c channel, i int32, b flag, p path, t text.
const char* fieldsOf(const std::string& tag, std::size_t variant) {
    if (tag == "RECT" || tag == "SCREEN_RECT" || tag == "DEBUG_RECT") return "ffffccc";
    if (tag == "SPRITE") return variant % 2 ? "ffffcccpbb" : "ffffcccp";
    if (tag == "SPRITE_EX") return "ffffcccpbbffff";
    if (tag == "TEXT") return "fftpfcccbt";
    if (tag == "CAMERA") return variant % 3 == 0 ? "ff" : variant % 3 == 1 ? "fffff" : "ffffff";
    return "iffff"; // COLLIDER
}

} // namespace

// Awkward spellings in a few fields only, so that most lines still make records.
std::string LineGenerator::floatField() {
    if (random.chance(0.12)) return random.pick(floats);
    std::string number = random.chance(0.2) ? "-" : "";
    number += std::to_string(random.below(100000));
    if (random.chance(0.5)) number += "." + std::to_string(random.below(1000));
    return number;
}

std::string LineGenerator::intField() {
    if (random.chance(0.12)) return random.pick(ints);
    return std::to_string(static_cast<long long>(random.below(700)) - 200);
}

std::string LineGenerator::flagField() { return random.pick(flags); }

std::string LineGenerator::pathField() {
    if (random.chance(0.6)) return "p" + std::to_string(random.below(20)) + ".png";
    return random.pick(paths);
}

std::string LineGenerator::textField() {
    if (random.chance(0.3)) return "";
    if (random.chance(0.4)) return random.pick(std::vector<std::string>{"Left", "Center", "Right", "Score: 10", "Café"});
    std::string text;
    const std::size_t length = random.below(24);
    for (std::size_t i = 0; i < length; ++i) {
        const char c = random.byte();
        text += (c == '|' || c == '\n') ? 'x' : c;
    }
    return text;
}

std::string LineGenerator::command() {
    const std::string tag = random.pick(tags);
    std::string fields = fieldsOf(tag, random.below(6));
    // Now and then a part too many or too few.
    if (random.chance(0.1)) fields.pop_back();
    if (random.chance(0.1)) fields += 'f';
    std::string line = tag;
    for (const char type : fields) {
        line += '|';
        switch (type) {
            case 'f': line += floatField(); break;
            case 'c':
            case 'i': line += intField(); break;
            case 'b': line += flagField(); break;
            case 'p': line += pathField(); break;
            default: line += textField(); break;
        }
    }
    if (random.chance(0.05)) line += random.chance(0.5) ? "|" : "||";
    return line;
}

std::string LineGenerator::word() {
    static const std::vector<std::string> words = {"READY",      "STARTED",     "END_FRAME",  "READY ",  "ready",
                                                   "END_FRAME|", "STARTED\r",   " STARTED",   "END_FRAMEX", "LOG",
                                                   "ERROR",      "RECT",        "rect|1|2|3|4|5|6|7", "Camera|1|2"};
    return random.pick(words);
}

std::string LineGenerator::logLine() {
    static const std::vector<std::string> levels = {"Info", "Warn", "Error", "warn", "", "Debug", "ERROR"};
    if (random.chance(0.1)) return random.chance(0.5) ? "LOG|Info" : "LOG|";
    if (random.chance(0.2)) return "ERROR|" + textField() + (random.chance(0.3) ? "|" + textField() : "");
    std::string line = "LOG|" + random.pick(levels) + "|" + textField();
    if (random.chance(0.2)) line += "|" + textField();
    return line;
}

std::string LineGenerator::foreign() {
    std::string line = junk(random.below(40), false);
    return line;
}

std::string LineGenerator::junk(std::size_t length, bool newlines) {
    static const char specials[] = {'\0', '\r', '\n', '|', '\xff', '\x80', ' ', 'A', '1', '.'};
    std::string bytes;
    for (std::size_t i = 0; i < length; ++i) {
        char c = random.chance(0.5) ? specials[random.below(sizeof specials)] : random.byte();
        if (!newlines && c == '\n') c = '\r';
        bytes += c;
    }
    return bytes;
}

void LineGenerator::mutate(std::string& line) {
    const std::size_t edits = 1 + random.below(4);
    for (std::size_t e = 0; e < edits; ++e) {
        const std::size_t at = line.empty() ? 0 : random.below(line.size() + 1);
        switch (random.below(5)) {
            case 0: line.insert(at, 1, "|\r\0\xff-+e. "[random.below(10)]); break;
            case 1:
                if (at < line.size()) line.erase(at, 1 + random.below(3));
                break;
            case 2:
                if (at < line.size()) line[at] = random.byte();
                break;
            case 3: line.resize(at); break;
            default: line.insert(at, line.substr(at, random.below(12))); break;
        }
    }
    for (char& c : line) {
        if (c == '\n') c = '\r';
    }
}

std::string LineGenerator::next() {
    std::string line;
    const std::size_t kind = random.below(100);
    if (kind < 60) {
        line = command();
    } else if (kind < 67) {
        line = word();
    } else if (kind < 77) {
        line = logLine();
    } else if (kind < 82) {
        line = foreign();
    } else {
        line = command();
        mutate(line);
    }
    return line;
}

} // namespace TarnwickFuzz
