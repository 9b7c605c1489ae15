// The whole program with the stand-in script host: start-up, frames, closing the window, and a
// script host that never becomes ready. These open the program's window, so they need a display.
#include "TestSupport.h"

#include "core/Application.h"
#include "core/Files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

using namespace TarnwickEngine;
using namespace TarnwickTest;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// TarnwickEngine.exe run with --project, its standard output and error in one file.
class EngineProcess {
public:
    EngineProcess(const fs::path& projectFolder, const fs::path& outputFile) {
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        output = ::CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        const fs::path engine = fs::weakly_canonical(getExecutableDirectory() / ".." / "TarnwickEngine.exe");
        std::wstring commandLine = L"\"" + engine.native() + L"\" --project \"" + projectFolder.native() + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nullptr;
        startup.hStdOutput = output;
        startup.hStdError = output;
        PROCESS_INFORMATION info{};
        started = Clock::now();
        if (::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                             &startup, &info)) {
            process = info.hProcess;
            ::CloseHandle(info.hThread);
            processId = info.dwProcessId;
        }
    }

    ~EngineProcess() {
        if (process) {
            if (::WaitForSingleObject(process, 0) == WAIT_TIMEOUT) ::TerminateProcess(process, 99);
            ::CloseHandle(process);
        }
        if (output) ::CloseHandle(output);
    }

    EngineProcess(const EngineProcess&) = delete;
    EngineProcess& operator=(const EngineProcess&) = delete;

    bool running() const { return process != nullptr; }

    // WM_CLOSE to the program's own top-level window; false when it has none yet.
    bool closeWindow() {
        found = nullptr;
        ::EnumWindows(
            [](HWND window, LPARAM self) -> BOOL {
                auto* engine = reinterpret_cast<EngineProcess*>(self);
                DWORD owner = 0;
                ::GetWindowThreadProcessId(window, &owner);
                if (owner != engine->processId) return TRUE;
                engine->found = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(this));
        return found && ::PostMessageW(found, WM_CLOSE, 0, 0);
    }

    // The exit code, or 12345 when the program is still running after `timeout`.
    DWORD waitForExit(std::chrono::milliseconds timeout) {
        if (::WaitForSingleObject(process, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return 12345;
        DWORD code = 12345;
        ::GetExitCodeProcess(process, &code);
        return code;
    }

    double secondsRunning() const { return secondsSince(started); }

private:
    HANDLE process = nullptr;
    HANDLE output = nullptr;
    DWORD processId = 0;
    HWND found = nullptr;
    Clock::time_point started;
};

class Program : public ::testing::Test {
protected:
    void SetUp() override {
        setEnvironment("DOTNET_ROOT", pathToString(standinFolder()).c_str());
        setEnvironment("TARNWICK_STANDIN_ANSWERS", nullptr);
        setEnvironment("TARNWICK_STANDIN_TRACE", pathToString(tracePath).c_str());
        folder.write("project/project.json",
                     "{\n  \"name\": \"Bridge Check\",\n  \"mainClass\": \"Game.Main\",\n"
                     "  \"mainAssembly\": \"Game.dll\"\n}\n");
        folder.write("project/Game.dll", "");
    }

    std::vector<std::string> trace() const { return readLines(tracePath); }

    std::ptrdiff_t framesReceived() const {
        const auto lines = trace();
        return std::count_if(lines.begin(), lines.end(),
                             [](const std::string& line) { return line.rfind("recv FRAME|", 0) == 0; });
    }

    std::size_t position(const std::vector<std::string>& lines, const std::string& prefix) const {
        const auto found = std::find_if(lines.begin(), lines.end(),
                                        [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
        return static_cast<std::size_t>(found - lines.begin());
    }

    ScratchFolder folder;
    fs::path project = folder.path() / "project";
    fs::path tracePath = folder.path() / "trace.txt";
    fs::path outputPath = folder.path() / "output.txt";
};

} // namespace

TEST_F(Program, ClosingTheWindowShutsTheScriptHostDownAndExitsWithZero) {
    setEnvironment("TARNWICK_STANDIN", "echo-args");
    DWORD exitCode = 12345;
    {
        EngineProcess engine(project, outputPath);
        ASSERT_TRUE(engine.running());
        const auto begin = Clock::now();
        while (framesReceived() < 3 && secondsSince(begin) < 20.0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ASSERT_TRUE(engine.closeWindow()) << readFile(outputPath);
        exitCode = engine.waitForExit(std::chrono::milliseconds(10000));
    }
    EXPECT_EQ(exitCode, 0u) << readFile(outputPath);

    const auto lines = trace();
    const std::size_t ready = position(lines, "send READY"), start = position(lines, "recv START"),
                      started = position(lines, "send STARTED"), frame = position(lines, "recv FRAME|"),
                      shutdown = position(lines, "recv SHUTDOWN"), exit = position(lines, "exit 0");
    EXPECT_LT(ready, start);
    EXPECT_LT(start, started);
    EXPECT_LT(started, frame);
    EXPECT_LT(frame, shutdown);
    EXPECT_LT(shutdown, exit);
    EXPECT_LT(exit, lines.size()) << readFile(tracePath);
    EXPECT_TRUE(processEnds(tracedProcessId(tracePath), std::chrono::milliseconds(3000)));

    // The nine values for a project with default settings, as the child received them.
    const std::string output = readFile(outputPath);
    const std::string tail = "\"Game.Main\" \"" + pathToString(project) + "\" \"\" \"0.016667\" \"0.000000\" \"0.000000\"";
    const std::string head = "[Info] commandLine=\"" + pathToString(standinFolder() / "dotnet.exe") + "\" \"";
    const std::size_t line = output.find(head);
    ASSERT_NE(line, std::string::npos) << output;
    const std::size_t end = output.find('\r', line);
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(output.substr(end - tail.size(), tail.size()), tail) << output;
    EXPECT_NE(output.find("[Info] argc=9"), std::string::npos);
    EXPECT_NE(output.find("[Info] C# script host started."), std::string::npos);
    EXPECT_NE(output.find("[Info] Running project: Bridge Check"), std::string::npos);
}

TEST_F(Program, ScriptHostThatNeverBecomesReadyEndsTheProgramWithOne) {
    setEnvironment("TARNWICK_STANDIN", "no-ready");
    EngineProcess engine(project, outputPath);
    ASSERT_TRUE(engine.running());
    const std::string error = "[Error] Script host did not become ready.\r\n";
    while (readFile(outputPath).find(error) == std::string::npos && engine.secondsRunning() < 15.0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Five seconds of waiting after the program's own start under Wine.
    EXPECT_GE(engine.secondsRunning(), 5.0);
    EXPECT_LT(engine.secondsRunning(), 6.5) << readFile(outputPath);
    // Without a window manager, Wine's DestroyWindow alone takes about two seconds.
    EXPECT_EQ(engine.waitForExit(std::chrono::milliseconds(10000)), 1u);
    EXPECT_TRUE(processEnds(tracedProcessId(tracePath), std::chrono::milliseconds(3000)));
}
