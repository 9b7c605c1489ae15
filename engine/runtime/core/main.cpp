// Program entry: reads the command line, runs one Application and returns its exit code.
#include "core/Application.h"
#include "core/CommandLine.h"
#include "core/Log.h"

#include <exception>

int main(int argc, char** argv) {
    using namespace TarnwickEngine;
    // A failure that escapes start-up or the frame loop ends the program like a failed start-up.
    // The Application lives inside the try block, so unwinding stops the child process and
    // destroys the window before the error is logged.
    try {
        const CommandLine commandLine = parseCommandLine(argc, argv);
        if (commandLine.preview) logPreviewLine(commandLine.projectPath);
        Application application;
        return application.run(commandLine.projectPath);
    } catch (const std::exception& error) {
        Log::error(error.what());
    } catch (...) {
        Log::error("Unknown failure.");
    }
    return 1;
}
