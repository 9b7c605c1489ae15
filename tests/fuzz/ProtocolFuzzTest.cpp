// Random and mutated script host output through the bridge, held against the plain reading of the
// same bytes (ProtocolReference): single lines straight into handleLine, and byte streams written
// into a real pipe in chunks cut anywhere, with CR, LF and NUL anywhere and lines around and far
// past the 1 MiB bound, read by pumpOutput. Nothing may throw, crash or hang, and the records,
// flags, camera and console lines must be exactly those of the plain reading.
#include "FuzzSupport.h"
#include "LineGenerator.h"
#include "ProtocolReference.h"

#include "scripthost/ScriptHostImpl.h"
#include "support/Pipe.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

using namespace TarnwickFuzz;
using TarnwickEngine::ScriptHost;
using TarnwickTest::Pipe;
namespace fs = std::filesystem;

namespace {

constexpr int failuresShown = 5;

Records recordsOf(const ScriptHost::Impl& impl) {
    Records records;
    records.ready = impl.ready;
    records.started = impl.started;
    records.frameEnded = impl.frameEnded;
    records.commands = impl.frameCommands;
    records.colliders = impl.colliders;
    return records;
}

void clearLists(TarnwickEngine::FrameCommands& commands, std::vector<TarnwickEngine::Collider>& colliders) {
    commands.rects.clear();
    commands.sprites.clear();
    commands.texts.clear();
    commands.debugRects.clear();
    colliders.clear();
}

std::size_t recordCount(const Records& records) {
    return records.commands.rects.size() + records.commands.sprites.size() + records.commands.texts.size() +
           records.commands.debugRects.size() + records.colliders.size();
}

// The project folder that paths are resolved against, as the bridge receives it.
fs::path projectRoot(const TarnwickTest::TempDir& folder) {
    return fs::weakly_canonical(folder.makeDir("Game"));
}

// What one pipe holds without a writer waiting: the smallest buffer Windows or Wine gives.
constexpr std::size_t pipeRoom = 4096;

// A command line of `length` bytes: its last field grown with 'x', '|' or digits, or its first
// number grown to `length` repeating digits; ending in '\r' or not.
std::string longLine(Random& random, std::size_t length, bool carriageReturn, bool longNumber) {
    std::string line;
    if (longNumber) {
        const std::string tail = "|2|3|4|5|6|7";
        line = "RECT|0.";
        line.resize(length > tail.size() + line.size() ? length - tail.size() : line.size(), "0369"[random.below(4)]);
        line += tail;
    } else {
        line = "RECT|1|2|3|4|5|6|7";
        line.resize(length, "x|7"[random.below(3)]);
    }
    if (carriageReturn) line.back() = '\r';
    return line;
}

struct StreamResult {
    bool threw = false;
    double slowestPump = 0; // processor seconds
    std::string got;
    std::string expected;
};

// Writes the stream into a pipe in chunks of random sizes up to `largestChunk`, pumping now and
// then as the frame waits do, and reads it with the plain reading as well.
StreamResult readThroughPipe(Random& random, const fs::path& root, const std::string& stream, std::size_t largestChunk) {
    Pipe pipe;
    ScriptHost::Impl impl;
    impl.projectRoot = root;
    impl.stdOutRead = pipe.giveReadEnd();
    ReferenceReader reference(root);
    ConsoleCapture console;
    StreamResult result;
    std::size_t unread = 0;
    for (std::size_t at = 0; at < stream.size() && !result.threw;) {
        const std::size_t limit = std::min(largestChunk, random.chance(0.3) ? std::size_t(8) : random.chance(0.5) ? 512 : pipeRoom);
        std::size_t size = std::min<std::size_t>(1 + random.below(limit), stream.size() - at);
        size = std::min(size, pipeRoom - unread);
        const std::string chunk = stream.substr(at, size);
        if (!pipe.put(chunk)) {
            ADD_FAILURE() << "the test's pipe took no more bytes";
            break;
        }
        reference.bytes(chunk);
        unread += size;
        at += size;
        if (unread == pipeRoom || random.chance(0.6) || at == stream.size()) {
            const double pumpStart = TarnwickTest::threadProcessorSeconds();
            try {
                impl.pumpOutput();
            } catch (...) {
                result.threw = true;
            }
            result.slowestPump = std::max(result.slowestPump, TarnwickTest::threadProcessorSeconds() - pumpStart);
            unread = 0;
        }
    }
    reference.endOfBytes();
    result.got = describe(recordsOf(impl)) + "out:" + console.takeOut() + "err:" + console.takeErr() +
                 "pending:" + impl.pendingOutput;
    result.expected = describe(reference.records) + "out:" + reference.out + "err:" + reference.err +
                      "pending:" + reference.pending();
    return result;
}

bool sound(const StreamResult& result) {
    return !result.threw && result.slowestPump < hangProcessorSeconds && result.got == result.expected;
}

void reportDifference(const std::string& name, const std::string& stream, const StreamResult& result) {
    if (result.slowestPump >= hangProcessorSeconds) {
        ADD_FAILURE() << name << ": one pump took " << result.slowestPump << " s of processor time: " << shown(stream, 2000);
    }
    if (result.threw) {
        ADD_FAILURE() << name << " threw: " << shown(stream, 2000);
        return;
    }
    std::size_t first = 0;
    while (first < result.got.size() && first < result.expected.size() && result.got[first] == result.expected[first]) ++first;
    const std::size_t from = first > 300 ? first - 300 : 0;
    ADD_FAILURE() << name << " (" << stream.size() << " bytes) differs at " << first << "\nbridge:\n"
                  << shown(std::string_view(result.got).substr(from), 1500) << "\nplain reading:\n"
                  << shown(std::string_view(result.expected).substr(from), 1500) << "\nstream:\n" << shown(stream, 3000);
}

} // namespace

TEST(ProtocolFuzz, EveryLineHasTheEffectOfThePlainReading) {
    const TarnwickTest::TempDir folder;
    const fs::path root = projectRoot(folder);
    Random random(seed());
    LineGenerator generator(random);
    ScriptHost::Impl impl;
    impl.projectRoot = root;
    ReferenceReader reference(root);
    ConsoleCapture console;

    const std::size_t total = cases(20000, 1000000);
    std::size_t records = 0, consoleLines = 0;
    int failures = 0;
    const auto started = std::chrono::steady_clock::now();
    double blockStart = TarnwickTest::threadProcessorSeconds();
    for (std::size_t i = 0; i < total && failures < failuresShown; ++i) {
        const std::string line = generator.next();
        const std::size_t rects = impl.frameCommands.rects.size(), sprites = impl.frameCommands.sprites.size(),
                          texts = impl.frameCommands.texts.size(), debugRects = impl.frameCommands.debugRects.size(),
                          colliders = impl.colliders.size();
        try {
            impl.handleLine(line);
        } catch (const std::exception& error) {
            ADD_FAILURE() << "line " << i << " threw " << error.what() << ": " << shown(line);
            ++failures;
            continue;
        } catch (...) {
            ADD_FAILURE() << "line " << i << " threw: " << shown(line);
            ++failures;
            continue;
        }
        reference.line(line);

        const std::string got = std::string(impl.ready ? "R" : "-") + (impl.started ? "S" : "-") +
                                (impl.frameEnded ? "E" : "-") + " " + describeCamera(impl.frameCommands.camera) + "\n" +
                                describeLists(impl.frameCommands, impl.colliders, rects, sprites, texts, debugRects, colliders) +
                                "out:" + console.takeOut() + "err:" + console.takeErr();
        const Records& r = reference.records;
        const std::string expected = std::string(r.ready ? "R" : "-") + (r.started ? "S" : "-") + (r.frameEnded ? "E" : "-") +
                                     " " + describeCamera(r.commands.camera) + "\n" +
                                     describeLists(r.commands, r.colliders, rects, sprites, texts, debugRects, colliders) +
                                     "out:" + reference.out + "err:" + reference.err;
        if (got != expected) {
            ADD_FAILURE() << "line " << i << ": " << shown(line) << "\nbridge:\n" << shown(got, 4000) << "\nplain reading:\n"
                          << shown(expected, 4000);
            ++failures;
        }
        records += recordCount(reference.records) - (rects + sprites + texts + debugRects + colliders);
        for (const char c : reference.out + reference.err) consoleLines += c == '\n';
        reference.out.clear();
        reference.err.clear();
        if (i % linesPerHangCheck == linesPerHangCheck - 1) {
            const double blockEnd = TarnwickTest::threadProcessorSeconds();
            if (blockEnd - blockStart >= hangProcessorSeconds) {
                ADD_FAILURE() << "lines " << i + 1 - linesPerHangCheck << " to " << i << " took " << blockEnd - blockStart
                              << " s of processor time";
                ++failures;
            }
            blockStart = blockEnd;
        }
        // Both sides drop their lists now and then, as every frame does.
        if (i % 1000 == 999) {
            clearLists(impl.frameCommands, impl.colliders);
            clearLists(reference.records.commands, reference.records.colliders);
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("protocol lines: %zu (seed %llu), %zu records, %zu console lines, %.1f s\n", total,
                static_cast<unsigned long long>(seed()), records, consoleLines, seconds);
}

TEST(ProtocolFuzz, ByteStreamsCutAnywhereGiveTheLinesOfThePlainReading) {
    const TarnwickTest::TempDir folder;
    const fs::path root = projectRoot(folder);
    Random random(seed() + 1);
    LineGenerator generator(random);

    const std::size_t streams = cases(300, 20000);
    std::size_t lines = 0, bytes = 0, longLines = 0;
    int failures = 0;
    const auto started = std::chrono::steady_clock::now();
    for (std::size_t s = 0; s < streams && failures < failuresShown; ++s) {
        // The stream: lines ended by "\n", "\r\n" or "\r\r\n", with junk bytes, and now and
        // then a line at, around or far past the bound.
        std::string stream;
        const std::size_t count = 1 + random.below(100);
        for (std::size_t k = 0; k < count; ++k) {
            if (random.chance(0.02)) {
                stream += generator.junk(random.below(64), true);
            } else if (random.chance(0.002)) {
                stream += longLine(random, 20000 + random.below(100000), random.chance(0.5), random.chance(0.25));
                ++longLines;
            } else {
                stream += generator.next();
            }
            ++lines;
            const std::size_t end = random.below(10);
            stream += end < 7 ? "\n" : end < 9 ? "\r\n" : "\r\r\n";
        }
        // Maybe an unfinished line at the end, which the bridge must keep.
        if (random.chance(0.3)) stream += generator.next();
        bytes += stream.size();

        const StreamResult result = readThroughPipe(random, root, stream, pipeRoom);
        if (!sound(result)) {
            reportDifference("stream " + std::to_string(s), stream, result);
            ++failures;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("byte streams: %zu (seed %llu), %zu lines, %zu of them long, %zu bytes, %.1f s\n", streams,
                static_cast<unsigned long long>(seed() + 1), lines, longLines, bytes, seconds);
}

// Lines just under, at and past the 1 MiB bound, ended or not, among ordinary lines: the bound
// counts the line's bytes before its '\n', a final '\r' included.
TEST(ProtocolFuzz, LinesAroundTheBoundAreKeptOrDroppedLikeThePlainReadingSays) {
    const TarnwickTest::TempDir folder;
    const fs::path root = projectRoot(folder);
    Random random(seed() + 2);
    LineGenerator generator(random);
    const std::size_t bound = ReferenceReader::lineBound;
    struct Case {
        std::size_t size;
        bool carriageReturn;
        bool finished;
        bool longNumber;
    };
    // At the bound the line is kept, and its number of a million digits read at once; one byte
    // more, a '\r' included, and it is dropped; a line past the bound that has not ended yet is
    // dropped as it comes.
    std::vector<Case> cases = {{bound, false, true, true}, {bound + 1, true, true, false}, {bound + 1, false, false, false}};
    const std::size_t total = TarnwickFuzz::cases(cases.size(), 40);
    while (cases.size() < total) {
        const std::size_t sizes[] = {bound - 1, bound, bound + 1, 3 * bound + 5};
        cases.push_back({sizes[random.below(4)], random.chance(0.5), random.chance(0.8), random.chance(0.3)});
    }
    const auto started = std::chrono::steady_clock::now();
    for (std::size_t s = 0; s < cases.size(); ++s) {
        std::string stream = generator.next() + "\n" + longLine(random, cases[s].size, cases[s].carriageReturn, cases[s].longNumber);
        if (cases[s].finished) stream += "\n" + generator.next() + "\r\nEND_FRAME\n";
        const StreamResult result = readThroughPipe(random, root, stream, pipeRoom);
        if (!sound(result)) reportDifference("stream " + std::to_string(s), stream, result);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("streams with lines around the bound: %zu, %.1f s\n", cases.size(), seconds);
}
