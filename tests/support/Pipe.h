// An anonymous pipe of the test's own, standing in for a child's output: the test writes into it,
// and hands the read end to the bridge, which reads it as it would a child's.
#pragma once

#include <windows.h>

#include <string>

namespace TarnwickTest {

class Pipe {
public:
    Pipe() {
        if (!::CreatePipe(&read, &write, nullptr, 0)) read = write = nullptr;
    }
    ~Pipe() {
        if (read) ::CloseHandle(read);
        if (write) ::CloseHandle(write);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    // The read end, handed to the bridge, which closes it.
    HANDLE giveReadEnd() {
        HANDLE end = read;
        read = nullptr;
        return end;
    }
    // Writes all of `bytes`, waiting while the pipe is full; false once the read end is closed.
    bool put(const std::string& bytes) {
        DWORD written = 0;
        return ::WriteFile(write, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
               written == bytes.size();
    }

private:
    HANDLE read = nullptr;
    HANDLE write = nullptr;
};

} // namespace TarnwickTest
