// Stand-in for `dotnet TarnwickEngine.ScriptHost.dll ...`: the script host's side of the line
// protocol, so that the engine runs and is tested where .NET cannot be installed. Found like the
// real one, as DOTNET_ROOT\dotnet.exe.
//
// Started with the script-host assembly, the game's assembly, the main class, the project folder,
// the start scene, the fixed time step, x and y. It sends READY at once, STARTED after START, the
// game's lines and END_FRAME after each FRAME, and exits after SHUTDOWN or at the end of its input.
// It reads its input throughout. The game is chosen by the main class (Game.h).
//
// Misbehaviour on purpose, for tests: TARNWICK_STANDIN holds a comma-separated list of
//   no-ready            never send READY
//   exit-before-ready   exit with code 3 before sending anything
//   no-started          never send STARTED
//   late=N:MS           send the whole answer to the N-th FRAME (from 1) MS milliseconds late
//   no-end-frame        answer every FRAME with the game's lines but never with END_FRAME, like
//                       a script host whose every answer is too late
//   ignore-shutdown     stay alive after SHUTDOWN and after the end of input (at most 60 s)
//   exit-259            exit with code 259, which Windows also uses for "still running", on SHUTDOWN
//   flood[=BYTES]       begin the answer to the first FRAME with BYTES 'x' (endless without a
//                       count) and no '\n'; after a count, '\n' and the usual answer follow
//   stop-reading        after STARTED never read again; send END_FRAME every millisecond instead
//   stop-reading-until=EVENT  the same until the named event EVENT is set, then read on
//   pause-reading=MS    after STARTED read nothing for MS milliseconds, then go on
//   echo-args           before READY, send LOG lines with the raw command line, each argument as
//                       CommandLineToArgvW and as the C runtime read it, and the current folder
// and, over a long run (the soak test), again and again:
//   late-every=N:MS     send the answer to every N-th FRAME MS milliseconds late
//   flood-every=N:BYTES begin the answer to every N-th FRAME with BYTES 'x' and a '\n'
//   burst-every=N:LINES add LINES rectangle lines (culled) to the answer to every N-th FRAME
//   garble              end every answer with malformed lines of every kind (bad numbers, wrong
//                       part counts, NUL bytes, stray '\r', unknown words, unresolvable paths,
//                       and now and then a line of a few hundred kilobytes)
// TARNWICK_STANDIN_PROGRESS=NAME  the named file mapping (Progress.h) where the stand-in keeps its
//                                 process id and the number of FRAME lines answered, and where a
//                                 watcher can hold one FRAME's answer back for a moment
// TARNWICK_STANDIN_TRACE=FILE    append "recv <line>" and "send <word>" for everything received
//                                and every handshake word sent, plus "pid <id>", "exit <code>"
//                                and "reading again" when a stop-reading-until pause ends
// TARNWICK_STANDIN_ANSWERS=FILE  canned output: the file's bytes cut at each NUL byte. Piece 0 is
//     sent before READY, piece 1 before STARTED, and piece k+1 instead of the whole answer to the
//     k-th FRAME, END_FRAME included, so a piece may leave it out or end inside a line.
#include "Game.h"
#include "Progress.h"

#include <windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Standin::FrameInput;
using Standin::Game;
using Standin::GameSetup;

constexpr DWORD lingerMilliseconds = 60000;

// "N:AMOUNT": something of size AMOUNT on every N-th frame; never when N is 0.
struct Every {
    unsigned long period = 0;
    unsigned long amount = 0;
    bool due(int frame) const { return period > 0 && static_cast<unsigned long>(frame) % period == 0; }
};

Every readEvery(const std::string& argument) {
    Every every;
    every.period = std::strtoul(argument.c_str(), nullptr, 10);
    const std::size_t colon = argument.find(':');
    if (colon != std::string::npos) every.amount = std::strtoul(argument.c_str() + colon + 1, nullptr, 10);
    return every;
}

struct Behaviour {
    bool noReady = false;
    bool exitBeforeReady = false;
    bool noStarted = false;
    int lateFrame = 0;
    DWORD lateMilliseconds = 0;
    bool noEndFrame = false;
    bool ignoreShutdown = false;
    bool exit259 = false;
    bool flood = false;
    unsigned long long floodBytes = 0; // 0: endless
    bool stopReading = false;
    std::string resumeEvent; // with stopReading: the named event that ends the pause
    DWORD pauseMilliseconds = 0;
    bool echoArgs = false;
    Every lateEvery{};
    Every floodEvery{};
    Every burstEvery{};
    bool garble = false;
};

Behaviour readBehaviour() {
    Behaviour behaviour;
    const char* value = std::getenv("TARNWICK_STANDIN");
    std::istringstream list(value ? value : "");
    std::string token;
    while (std::getline(list, token, ',')) {
        const std::size_t equals = token.find('=');
        const std::string name = token.substr(0, equals);
        const std::string argument = equals == std::string::npos ? "" : token.substr(equals + 1);
        if (name == "no-ready") behaviour.noReady = true;
        if (name == "exit-before-ready") behaviour.exitBeforeReady = true;
        if (name == "no-started") behaviour.noStarted = true;
        if (name == "late") {
            behaviour.lateFrame = std::atoi(argument.c_str());
            const std::size_t colon = argument.find(':');
            if (colon != std::string::npos) behaviour.lateMilliseconds = std::strtoul(argument.c_str() + colon + 1, nullptr, 10);
        }
        if (name == "no-end-frame") behaviour.noEndFrame = true;
        if (name == "ignore-shutdown") behaviour.ignoreShutdown = true;
        if (name == "exit-259") behaviour.exit259 = true;
        if (name == "flood") {
            behaviour.flood = true;
            behaviour.floodBytes = std::strtoull(argument.c_str(), nullptr, 10);
        }
        if (name == "stop-reading") behaviour.stopReading = true;
        if (name == "stop-reading-until") {
            behaviour.stopReading = true;
            behaviour.resumeEvent = argument;
        }
        if (name == "pause-reading") behaviour.pauseMilliseconds = std::strtoul(argument.c_str(), nullptr, 10);
        if (name == "echo-args") behaviour.echoArgs = true;
        if (name == "late-every") behaviour.lateEvery = readEvery(argument);
        if (name == "flood-every") behaviour.floodEvery = readEvery(argument);
        if (name == "burst-every") behaviour.burstEvery = readEvery(argument);
        if (name == "garble") behaviour.garble = true;
    }
    return behaviour;
}

std::string utf8(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int needed = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(needed), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), needed, nullptr, nullptr);
    return text;
}

class Trace {
public:
    Trace() {
        const char* path = std::getenv("TARNWICK_STANDIN_TRACE");
        if (path) file = std::fopen(path, "ab");
    }
    ~Trace() {
        if (file) std::fclose(file);
    }
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;

    void note(const std::string& text) {
        if (!file) return;
        std::fwrite(text.data(), 1, text.size(), file);
        std::fputc('\n', file);
        std::fflush(file);
    }

private:
    std::FILE* file = nullptr;
};

Trace trace;

[[noreturn]] void finish(int code) {
    trace.note("exit " + std::to_string(code));
    std::fflush(stdout);
    std::exit(code);
}

// Exits when the host has closed the pipe: nobody is left to answer.
void send(const std::string& bytes) {
    if (bytes.empty()) return;
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0) finish(0);
}

void sendWord(const std::string& word) {
    trace.note("send " + word);
    send(word + "\n");
}

bool readLine(std::string& line) {
    line.clear();
    for (;;) {
        const int c = std::fgetc(stdin);
        if (c == EOF) return !line.empty();
        if (c == '\n') return true;
        line += static_cast<char>(c);
    }
}

[[noreturn]] void stayAlive() {
    ::Sleep(lingerMilliseconds);
    finish(0);
}

std::vector<std::string> readAnswers() {
    std::vector<std::string> pieces;
    const char* path = std::getenv("TARNWICK_STANDIN_ANSWERS");
    if (!path) return pieces;
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = bytes.find('\0', start);
        pieces.push_back(bytes.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return pieces;
}

void echoArguments(int argc, wchar_t** argv) {
    send("LOG|Info|commandLine=" + utf8(::GetCommandLineW()) + "\n");
    int count = 0;
    LPWSTR* shellArgs = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    send("LOG|Info|argc=" + std::to_string(count) + "\n");
    for (int i = 0; i < count; ++i) send("LOG|Info|arg" + std::to_string(i) + "=" + utf8(shellArgs[i]) + "\n");
    ::LocalFree(shellArgs);
    send("LOG|Info|crtArgc=" + std::to_string(argc) + "\n");
    for (int i = 0; i < argc; ++i) send("LOG|Info|crtArg" + std::to_string(i) + "=" + utf8(argv[i]) + "\n");
    wchar_t directory[MAX_PATH];
    const DWORD length = ::GetCurrentDirectoryW(MAX_PATH, directory);
    send("LOG|Info|cwd=" + utf8(std::wstring(directory, length)) + "\n");
}

GameSetup readSetup(int argc, wchar_t** argv) {
    GameSetup setup;
    const auto argument = [&](int i) { return i < argc ? utf8(argv[i]) : std::string(); };
    setup.mainClass = argument(3);
    setup.projectDirectory = argument(4);
    setup.startScene = argument(5);
    if (argc > 6) setup.fixedDeltaTime = std::strtof(argument(6).c_str(), nullptr);
    if (argc > 7) setup.x = std::strtof(argument(7).c_str(), nullptr);
    if (argc > 8) setup.y = std::strtof(argument(8).c_str(), nullptr);
    return setup;
}

[[noreturn]] void floodForever() {
    const std::string chunk(65536, 'x');
    for (;;) send(chunk);
}

void flood(unsigned long long bytes) {
    const std::string chunk(65536, 'x');
    for (; bytes >= chunk.size(); bytes -= chunk.size()) send(chunk);
    send(chunk.substr(0, static_cast<std::size_t>(bytes)) + "\n");
}

// Lines that no script host should send, one of each kind per frame; every so often one of a few
// hundred kilobytes. Answers end with them, so the frame's own lines come first.
void appendGarbage(std::string& out, int frame) {
    static const char* const lines[] = {
        "RECT|abc|0|1|1|1|1|1\n",                          // no number
        "RECT|1|2|3\n",                                    // too few parts
        "SCREEN_RECT|1|2|3|4|5|6|99999999999\n",           // channel out of range
        "SPRITE|1|2|3|4|5|6|7|\n",                         // empty last field: 8 parts
        "SPRITE|1|2|3|4|5|6|7|assets/a.bmp|x|y|z\n",       // 12 parts
        "SPRITE|x|2|3|4|5|6|7|assets/a.bmp\n",             // no number
        "SPRITE_EX|1|2|3|4|5|6|7|assets/a.bmp|true|false|x|0|1|1\n",
        "SPRITE|100000|0|1|1|1|1|1|\\\\?\\bad\n",        // a path in the device namespace
        "SPRITE|100000|0|1|1|1|1|1|assets/\xff\xfe.png\n", // high bytes in a path
        "TEXT|1|2|a|b|c\n",
        "TEXT|1e99|0|t|f|12|1|1|1|true|Left\n",            // float out of range
        "CAMERA|x|y\n",
        "CAMERA|1\n",
        "COLLIDER|2147483648|0|0|1|1\n",                   // int32 out of range
        "DEBUG_RECT||1|1|1|1|1|1\n",                       // empty number
        "LOG|Info\n",                                      // no message part
        "LOG|Warn|garbled warning\n",
        "LOG|Error|garbled error\n",
        "ERROR|garbled|error\n",
        "READY \n",
        "end_frame\n",
        "RECT|100000|2|3|4|5|6|7\r\r\n",                    // one '\r' stays in the last field
        "SCREEN_RECT|3e9|2\r|3|4|5|6|7\n",                  // a '\r' inside the line
        "\n",
        "\r\n",
        "COLLIDER|1|2|3|4|5\r\n",
        "|||\n",
        "RECT|\n",
    };
    for (const char* line : lines) out += line;
    // NUL bytes end a number but not a line.
    static const char nulInNumber[] = "RECT|100000\0junk|0|1|1|1|1|1\n";
    static const char nulInForeignLine[] = "nul\0inside a foreign line\n";
    out.append(nulInNumber, sizeof nulInNumber - 1);
    out.append(nulInForeignLine, sizeof nulInForeignLine - 1);
    if (frame % 50 == 0) {
        // A long line that splits into a hundred thousand empty parts and is dropped.
        out += "COLLIDER|";
        out.append(100000, '|');
        out += '\n';
    }
    if (frame % 97 == 0) {
        // A long but acceptable field: the channel reads its number and ignores the rest.
        out += "RECT|100000|0|1|1|1|1|7 ";
        out.append(300000, 'x');
        out += '\n';
    }
}

Standin::Progress* openProgress() {
    const char* name = std::getenv("TARNWICK_STANDIN_PROGRESS");
    if (!name) return nullptr;
    HANDLE mapping = ::OpenFileMappingA(FILE_MAP_WRITE, FALSE, name);
    if (!mapping) return nullptr;
    // Kept mapped until the process ends.
    void* view = ::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(Standin::Progress));
    ::CloseHandle(mapping);
    return static_cast<Standin::Progress*>(view);
}

// Holds the answer to FRAME `frame` while the watcher asks for it, never past the limit.
void holdIfAsked(Standin::Progress* progress, int frame) {
    if (!progress || progress->holdFrame != frame) return;
    ::InterlockedExchange(&progress->holding, frame);
    const DWORD start = ::GetTickCount();
    while (progress->holdFrame == frame && ::GetTickCount() - start < Standin::holdLimitMilliseconds) ::Sleep(1);
    ::InterlockedExchange(&progress->holding, 0);
}

// Answers frames it does not read: the host's frame loop runs on at full speed while the pipe to
// this process fills up. Returns when `resume` (if any) is set; exits when nothing sets it.
void stopReading(const std::string& resumeEvent) {
    HANDLE resume = resumeEvent.empty() ? nullptr : ::OpenEventA(SYNCHRONIZE, FALSE, resumeEvent.c_str());
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < lingerMilliseconds) {
        send("END_FRAME\n");
        if (!resume) {
            ::Sleep(1);
        } else if (::WaitForSingleObject(resume, 1) == WAIT_OBJECT_0) {
            ::CloseHandle(resume);
            trace.note("reading again");
            return;
        }
    }
    finish(0);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    // Binary mode: every byte of input is seen ('\r' and 0x1A included) and output goes out as written.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);

    const Behaviour behaviour = readBehaviour();
    const std::vector<std::string> answers = readAnswers();
    const auto answer = [&](std::size_t piece) { return piece < answers.size() ? &answers[piece] : nullptr; };
    trace.note("pid " + std::to_string(::GetCurrentProcessId()));
    Standin::Progress* progress = openProgress();
    if (progress) ::InterlockedExchange(&progress->processId, static_cast<LONG>(::GetCurrentProcessId()));
    if (behaviour.exitBeforeReady) finish(3);

    if (behaviour.echoArgs) echoArguments(argc, argv);
    if (answer(0)) send(*answer(0));
    if (!behaviour.noReady) sendWord("READY");

    const std::unique_ptr<Game> game = Standin::makeGame(readSetup(argc, argv));
    int frames = 0;
    std::string line;
    while (readLine(line)) {
        trace.note("recv " + line);
        if (line == "START") {
            std::string lines;
            game->start(lines);
            send(answer(1) ? *answer(1) : lines);
            if (!behaviour.noStarted) sendWord("STARTED");
            if (behaviour.stopReading) stopReading(behaviour.resumeEvent);
            if (behaviour.pauseMilliseconds > 0) ::Sleep(behaviour.pauseMilliseconds);
        } else if (line == "SHUTDOWN") {
            if (behaviour.ignoreShutdown) stayAlive();
            finish(behaviour.exit259 ? 259 : 0);
        } else if (line.compare(0, 6, "FRAME|") == 0) {
            ++frames;
            holdIfAsked(progress, frames);
            if (frames == behaviour.lateFrame) ::Sleep(behaviour.lateMilliseconds);
            if (frames == 1 && behaviour.flood) {
                if (behaviour.floodBytes == 0) floodForever();
                flood(behaviour.floodBytes);
            }
            if (const std::string* canned = answer(static_cast<std::size_t>(frames) + 1)) {
                send(*canned);
                continue;
            }
            if (behaviour.lateEvery.due(frames)) ::Sleep(behaviour.lateEvery.amount);
            if (behaviour.floodEvery.due(frames)) flood(behaviour.floodEvery.amount);
            std::string lines;
            game->frame(Standin::parseFrameLine(line), lines);
            if (behaviour.burstEvery.due(frames)) {
                for (unsigned long i = 0; i < behaviour.burstEvery.amount; ++i) lines += "RECT|100000|0|1|1|9|9|9\n";
            }
            if (behaviour.garble) appendGarbage(lines, frames);
            if (!behaviour.noEndFrame) lines += "END_FRAME\n";
            send(lines);
            if (progress) ::InterlockedExchange(&progress->framesAnswered, frames);
        }
    }
    // The end of input: the host has closed the pipe.
    if (behaviour.ignoreShutdown) stayAlive();
    finish(0);
}
