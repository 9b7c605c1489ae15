// handleLine throughput for each kind of line, beside the minimal parser of Baselines.h fed the
// same lines. A path field's text is resolved once and then remembered, so for lines with one the
// minimal parser only widens the field into a path; rows of their own set the host beside the
// minimal parser resolving the path weakly canonically on every line, which is what the memory
// saves, and show the host when every line brings a text it has not seen.
#include "BenchSupport.h"
#include "Baselines.h"

#include "core/Files.h"
#include "core/TextEncoding.h"
#include "scripthost/ScriptHostImpl.h"
#include "support/TempDir.h"

#include <functional>

using namespace Bench;
using TarnwickEngine::ScriptHost;
namespace fs = std::filesystem;

namespace {

struct Kind {
    std::string name;
    std::string line;
    int batch;           // lines per timed batch: about a millisecond of the host's work
    std::string pathField; // the path field's text, for lines that have one
};

// Seconds per call of `work`, as the median over batches of `batch` calls. `prepare` runs before
// each batch, outside the time, as a frame empties its lists before its lines arrive.
struct Timed {
    std::function<void()> prepare;
    std::function<void()> work;
    std::vector<double> samples;
};

void timeBatch(Timed& timed, int batch) {
    timed.prepare();
    const auto start = Clock::now();
    for (int i = 0; i < batch; ++i) timed.work();
    timed.samples.push_back(secondsSince(start) / batch);
}

// The contenders take turns batch by batch, first one way round then the other, so a slow spell
// of the machine hits them alike.
void measure(std::vector<Timed*> contenders, int batch, int rounds) {
    for (Timed* t : contenders) timeBatch(*t, batch); // warm-up: capacities, caches
    for (Timed* t : contenders) t->samples.clear();
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            for (auto it = contenders.begin(); it != contenders.end(); ++it) timeBatch(**it, batch);
        } else {
            for (auto it = contenders.rbegin(); it != contenders.rend(); ++it) timeBatch(**it, batch);
        }
    }
}

} // namespace

// An argument limits the run to the kinds whose names begin with it (to profile one kind).
int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    TarnwickTest::TempDir folder;
    folder.write("assets/1-items/coin.png", "");
    const fs::path root = TarnwickEngine::resolvePath(fs::current_path(), folder.path());
    const std::string absoluteTexture = TarnwickEngine::pathToString(root / "assets" / "1-items" / "coin.png");

    const std::vector<Kind> kinds = {
        {"RECT", "RECT|412.5|300.25|64|48|200|60|60", 4000, ""},
        {"SPRITE, absolute texture", "SPRITE|412.5|300.25|64|64|200|60|60|" + absoluteTexture + "|true|false", 400,
         absoluteTexture},
        {"SPRITE, relative texture", "SPRITE|412.5|300.25|64|64|200|60|60|assets/1-items/coin.png|true|false", 400,
         "assets/1-items/coin.png"},
        {"SPRITE_EX, relative texture",
         "SPRITE_EX|384.000|256.000|128.000|128.000|200|60|60|assets/0-ground/tiles.png|false|false|0.0000|0.0000|128."
         "0000|128.0000",
         400, "assets/0-ground/tiles.png"},
        {"TEXT (relative font)", "TEXT|16|9|Position: 768, 384|fonts/default.ttf|17|235|235|235|true|Left", 400,
         "fonts/default.ttf"},
        {"CAMERA", "CAMERA|412.00|150.00|1|960|540", 4000, ""},
        {"COLLIDER", "COLLIDER|101|281.6|192.0|32.0|32.0", 4000, ""},
        {"foreign line (logged)", "Loaded level 3 with 42 entities", 2000, ""},
    };

    section("handleLine throughput (lines/s; median of batches)");
    double rectRate = 0.0;
    for (const Kind& kind : kinds) {
        if (kind.name.rfind(only, 0) != 0) continue;
        const bool hasPath = !kind.pathField.empty();
        ScriptHost::Impl impl;
        impl.projectRoot = root;
        MinimalParser baseline(root, false);
        const std::string& line = kind.line;
        const auto emptyLists = [&] {
            impl.frameCommands.rects.clear();
            impl.frameCommands.sprites.clear();
            impl.frameCommands.texts.clear();
            impl.frameCommands.debugRects.clear();
            impl.colliders.clear();
        };

        Timed host{emptyLists, [&] { impl.handleLine(line); }, {}};
        Timed base{[&] { baseline.clear(); }, [&] { baseline.handle(line); }, {}};
        std::vector<Timed*> contenders = {&host, &base};

        // For a path field: the minimal parser resolving it on every line, the resolution alone,
        // and the host meeting a new text on every line (the same line with a numbered file name).
        MinimalParser resolving(root, true);
        std::wstring wide;
        fs::path sink;
        Timed everyLine{[&] { resolving.clear(); }, [&] { resolving.handle(line); }, {}};
        Timed resolve{[] {}, [&] { sink = canonicalFromField(root, kind.pathField, wide); }, {}};
        std::string freshLine;
        int fresh = 0;
        const std::size_t fieldAt = line.find(kind.pathField);
        Timed unseen{emptyLists,
                     [&] {
                         freshLine.assign(line).insert(fieldAt + kind.pathField.size(), std::to_string(++fresh));
                         impl.handleLine(freshLine);
                     },
                     {}};
        if (hasPath) {
            contenders.push_back(&everyLine);
            contenders.push_back(&resolve);
            contenders.push_back(&unseen);
        }
        {
            const SilencedConsole silence;
            measure(contenders, kind.batch, only.empty() ? 31 : 1500);
        }

        const double hostTime = median(host.samples);
        const double baseTime = median(base.samples);
        if (kind.name == "RECT") rectRate = 1.0 / hostTime;
        std::string note;
        if (hasPath) {
            note = "each text resolved once, then remembered";
            if (rectRate > 0.0) note += "; " + percentText((1.0 / hostTime) / rectRate) + " of RECT's lines per second";
        } else if (kind.name.rfind("foreign", 0) == 0) {
            note = "Log::info to a null stream; the baseline writes the same bytes";
        }
        row("handleLine " + kind.name, rateText(1.0 / hostTime), rateText(1.0 / baseTime),
            fixed(pairedRatio(host.samples, base.samples), 2), note);
        if (!hasPath) continue;
        row("  resolving on every line instead", rateText(1.0 / hostTime), rateText(1.0 / median(everyLine.samples)),
            fixed(pairedRatio(host.samples, everyLine.samples), 2),
            "baseline: the minimal parser with weakly_canonical per line, " + durationText(median(resolve.samples)) +
                " of it for the path alone");
        row("  a text not seen before on every line", rateText(1.0 / median(unseen.samples)),
            rateText(1.0 / median(everyLine.samples)), fixed(pairedRatio(unseen.samples, everyLine.samples), 2),
            "the host resolves and remembers each (a missing file: less to walk); baseline as above");
    }
    return 0;
}
