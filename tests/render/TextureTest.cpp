// Textures, their cache and warnings, path resolution with the asset manifest, and the GDI+
// lifetime. No window is needed: these tests never draw.
#include "RenderTestSupport.h"

#include "render/PlatformHooks.h"

#include <algorithm>
#include <functional>
#include <string>

using namespace RenderTest;
using TarnwickEngine::Renderer;
using TarnwickEngine::Texture;
namespace hooks = TarnwickEngine::platformHooks;

namespace {

std::string utf8(const fs::path& path) { return TarnwickEngine::pathToString(path); }

// Swaps the existence test for the life of the guard; `failing` paths raise like access denied.
class FailingExistence {
public:
    explicit FailingExistence(std::function<bool(const fs::path&)> failing) {
        failingPaths() = std::move(failing);
        previous = hooks::pathExists;
        hooks::pathExists = [](const fs::path& path) {
            if (failingPaths()(path)) {
                throw fs::filesystem_error("exists", path, std::make_error_code(std::errc::permission_denied));
            }
            return TarnwickEngine::pathExists(path);
        };
    }
    ~FailingExistence() { hooks::pathExists = previous; }
    FailingExistence(const FailingExistence&) = delete;
    FailingExistence& operator=(const FailingExistence&) = delete;

private:
    static std::function<bool(const fs::path&)>& failingPaths() {
        static std::function<bool(const fs::path&)> paths;
        return paths;
    }
    bool (*previous)(const fs::path&) = nullptr;
};

class TextureTest : public ::testing::Test {
protected:
    void SetUp() override { renderer.initialize(nullptr); }

    // A project folder whose manifest holds `manifest` (when not empty).
    void useProject(const std::string& manifest) {
        if (!manifest.empty()) folder.write(".tarnwick/asset_manifest.json", manifest);
        renderer.setProjectRoot(folder.path);
    }

    ScratchFolder folder;
    Renderer renderer;
};

} // namespace

TEST_F(TextureTest, LoadsAnImageOnceAndSharesItByPathText) {
    const fs::path image = folder.write("img/a.bmp", solidBmp(0xFF0000));
    LogCapture log;
    Texture* first = renderer.getTexture(image);
    ASSERT_TRUE(first->isLoaded());
    ASSERT_NE(first->getBitmap(), nullptr);
    EXPECT_EQ(first->getBitmap()->GetWidth(), 4u);
    EXPECT_EQ(renderer.getTexture(image), first);

    // Other texts for the same file are other keys and other bitmaps.
    Texture* upper = renderer.getTexture(folder.path / "IMG" / "A.BMP");
    Texture* dotted = renderer.getTexture(folder.path / "img" / ".." / "img" / "a.bmp");
    EXPECT_TRUE(upper->isLoaded());
    EXPECT_TRUE(dotted->isLoaded());
    EXPECT_NE(upper, first);
    EXPECT_NE(dotted, first);
    EXPECT_NE(dotted->getBitmap(), first->getBitmap());
    EXPECT_EQ(log.text(), "");
}

TEST_F(TextureTest, MissingAndUndecodableFilesWarnOnceAndStayFailed) {
    const fs::path missing = folder.path / "missing.png";
    const fs::path notImage = folder.write("notes.png", "this is not an image");
    const fs::path folderAsImage = folder.path / "img";
    fs::create_directories(folderAsImage);
    LogCapture log;

    Texture* texture = renderer.getTexture(missing);
    EXPECT_FALSE(texture->isLoaded());
    EXPECT_EQ(texture->getBitmap(), nullptr);
    EXPECT_EQ(log.text(), "[Warn] Texture not found: " + utf8(missing) + "\n" +
                              "[Warn] Using fallback rectangle for missing texture: " + utf8(missing) + "\n");
    log.clear();

    // Cached as failed: no second probe, no second warning, even once the file exists.
    folder.write("missing.png", solidBmp(0x00FF00));
    EXPECT_EQ(renderer.getTexture(missing), texture);
    EXPECT_FALSE(texture->isLoaded());
    EXPECT_EQ(log.text(), "");

    for (const fs::path& bad : {notImage, folderAsImage}) {
        log.clear();
        Texture* failed = renderer.getTexture(bad);
        renderer.getTexture(bad);
        EXPECT_FALSE(failed->isLoaded());
        EXPECT_EQ(failed->getBitmap(), nullptr);
        EXPECT_EQ(log.text(), "[Warn] Texture could not be loaded: " + utf8(bad) + "\n" +
                                  "[Warn] Using fallback rectangle for missing texture: " + utf8(bad) + "\n");
    }
}

TEST_F(TextureTest, AnExistenceTestThatRaisesCountsAsMissing) {
    const fs::path image = folder.write("locked.bmp", solidBmp(0xFF0000));
    const FailingExistence failing([&](const fs::path& p) { return p == image; });
    LogCapture log;
    Texture* texture = renderer.getTexture(image);
    renderer.getTexture(image);
    EXPECT_FALSE(texture->isLoaded());
    EXPECT_EQ(log.text(), "[Warn] Texture not found: " + utf8(image) + "\n" +
                              "[Warn] Using fallback rectangle for missing texture: " + utf8(image) + "\n");
}

TEST_F(TextureTest, ABitmapThatCannotBeAllocatedFailsLikeAnUndecodableFile) {
    const fs::path image = folder.write("a.bmp", solidBmp(0xFF0000));
    const auto previous = hooks::allocateBitmap;
    hooks::allocateBitmap = [](std::size_t) -> void* { return nullptr; };
    LogCapture log;
    Texture* texture = renderer.getTexture(image);
    hooks::allocateBitmap = previous;
    EXPECT_FALSE(texture->isLoaded());
    EXPECT_EQ(texture->getBitmap(), nullptr);
    EXPECT_EQ(log.text(), "[Warn] Texture could not be loaded: " + utf8(image) + "\n" +
                              "[Warn] Using fallback rectangle for missing texture: " + utf8(image) + "\n");
}

TEST_F(TextureTest, AbsolutePathsAreUsedUnchanged) {
    const fs::path absolute = folder.path / "img" / ".." / "a.png";
    // The entry is keyed as a lookup would spell this path (forward slashes), so only the rule for
    // absolute paths keeps the manifest from answering.
    std::string key = utf8(absolute);
    std::replace(key.begin(), key.end(), '\\', '/');
    useProject(R"({"path": ")" + key + R"(", "importedPath": "imported/a.png"})");
    folder.write("imported/a.png", solidBmp(0));
    EXPECT_EQ(renderer.resolveTexturePath(absolute).native(), absolute.native());
}

TEST_F(TextureTest, RelativePathsWithoutAProjectJoinTheWorkingDirectory) {
    // The manifest lies in the working directory's project folder, but there is no project.
    folder.write(".tarnwick/asset_manifest.json", R"({"path": "img/a.png", "importedPath": "imported/a.png"})");
    folder.write("imported/a.png", solidBmp(0));
    const fs::path previous = fs::current_path();
    fs::current_path(folder.path);
    const fs::path resolved = renderer.resolveTexturePath("img/a.png");
    fs::current_path(previous);
    EXPECT_EQ(resolved.native(), (folder.path / "img/a.png").native());
}

TEST_F(TextureTest, ManifestEntriesMapRelativePathsToExistingImportedCopies) {
    LogCapture log;
    useProject("{\"entries\": [\n"
               "  {\"path\": \"img/a.png\", \"importedPath\": \"imported/a.png\"},\n"
               "  {\"path\": \"img/a.png\", \"importedPath\": \"imported/second.png\"},\n"
               "  {\"path\": \"img/gone.png\", \"importedPath\": \"imported/gone.png\"},\n"
               "  {\"path\": \"img\\\\esc.png\", \"importedPath\": \"imported/esc.png\"},\n"
               "  {\"importedPath\": \"imported/rev.png\", \"path\": \"img/rev.png\"},\n"
               "  {\n    \"path\"\n    :\n    \"img/lines.png\",\n    \"importedPath\": \"imported/lines.png\"\n  }\n"
               "]}");
    for (const char* name : {"a.png", "second.png", "esc.png", "rev.png", "lines.png"}) {
        folder.write(fs::path("imported") / name, solidBmp(0));
    }
    const fs::path root = folder.path;
    struct Case {
        fs::path requested;
        fs::path expected;
    };
    const Case cases[] = {
        {"img/a.png", root / "imported/a.png"},         // the first entry wins
        {"img\\a.png", root / "imported/a.png"},        // backslashes become forward slashes
        {"./img/a.png", root / "./img/a.png"},          // no other normalisation
        {"img/gone.png", root / "img/gone.png"},        // imported copy missing: the plain join
        {"img\\esc.png", root / "img\\esc.png"},        // an escaped key keeps its backslash pair
        {"img\\\\esc.png", root / "img\\\\esc.png"},
        {"img/rev.png", root / "img/rev.png"},          // importedPath before path: no entry
        {"img/lines.png", root / "imported/lines.png"}, // an entry across lines
        {"img/none.png", root / "img/none.png"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(renderer.resolveTexturePath(c.requested).native(), c.expected.native()) << c.requested;
    }
    EXPECT_EQ(log.text(), "");
}

TEST_F(TextureTest, ResolutionRunsBeforeTheCacheOnEveryRequest) {
    useProject(R"({"path": "img/a.png", "importedPath": "imported/a.png"})");
    folder.write("img/a.png", solidBmp(0xFF0000));
    Texture* source = renderer.getTexture("img/a.png");
    EXPECT_TRUE(source->isLoaded());

    folder.write("imported/a.png", solidBmp(0x00FF00));
    Texture* imported = renderer.getTexture("img/a.png");
    EXPECT_NE(imported, source);
    EXPECT_TRUE(imported->isLoaded());
    EXPECT_EQ(renderer.getTexture(folder.path / "img/a.png"), source); // the plain join stays cached
}

TEST_F(TextureTest, TheManifestIsReadOnceWhateverItFinds) {
    LogCapture log;
    useProject("");
    folder.write("imported/a.png", solidBmp(0));
    EXPECT_EQ(renderer.resolveTexturePath("img/a.png").native(), (folder.path / "img/a.png").native());
    // Created after the first reading: never seen.
    folder.write(".tarnwick/asset_manifest.json", R"({"path": "img/a.png", "importedPath": "imported/a.png"})");
    EXPECT_EQ(renderer.resolveTexturePath("img/a.png").native(), (folder.path / "img/a.png").native());
    EXPECT_EQ(log.text(), "");
}

TEST_F(TextureTest, AnUnreadableManifestWarnsOnce) {
    struct Case {
        const char* name;
        std::function<void(ScratchFolder&)> prepare;
        std::function<bool(const fs::path&)> failing;
    };
    const Case cases[] = {
        {"a folder in its place", [](ScratchFolder& f) { fs::create_directories(f.path / ".tarnwick/asset_manifest.json"); },
         [](const fs::path&) { return false; }},
        {"its existence test raises",
         [](ScratchFolder& f) { f.write(".tarnwick/asset_manifest.json", R"({"path": "a", "importedPath": "b"})"); },
         [](const fs::path& p) { return p.filename() == "asset_manifest.json"; }},
    };
    for (const Case& c : cases) {
        ScratchFolder project;
        c.prepare(project);
        const FailingExistence failing(c.failing);
        Renderer renderer;
        renderer.setProjectRoot(project.path);
        LogCapture log;
        renderer.resolveTexturePath("a");
        renderer.resolveTexturePath("a");
        EXPECT_EQ(log.text(), "[Warn] Could not read asset manifest.\n") << c.name;
        EXPECT_EQ(renderer.resolveTexturePath("a").native(), (project.path / "a").native()) << c.name;
    }
}

TEST_F(TextureTest, AnImportedCopyWhoseExistenceTestRaisesCountsAsMissing) {
    useProject(R"({"path": "img/a.png", "importedPath": "imported/a.png"})");
    folder.write("img/a.png", solidBmp(0xFF0000));
    const fs::path imported = folder.write("imported/a.png", solidBmp(0x00FF00));
    const FailingExistence failing([&](const fs::path& p) { return p == imported; });
    LogCapture log;
    Texture* texture = renderer.getTexture("img/a.png");
    renderer.getTexture("img/a.png");
    EXPECT_FALSE(texture->isLoaded());
    EXPECT_EQ(log.text(), "[Warn] Texture not found: " + utf8(imported) + "\n" +
                              "[Warn] Using fallback rectangle for missing texture: " + utf8(imported) + "\n");
}

TEST_F(TextureTest, AManifestTooLongForABacktrackingMatcherIsRead) {
    // std::regex overflows the stack on values far shorter than this one.
    useProject("[{\"path\": \"" + std::string(200000, 'x') + "\", \"importedPath\": \"y\"},\n" +
               R"( {"path": "img/a.png", "importedPath": "imported/a.png"}])");
    folder.write("imported/a.png", solidBmp(0));
    EXPECT_EQ(renderer.resolveTexturePath("img/a.png").native(), (folder.path / "imported/a.png").native());
}

namespace {

int startups = 0;
int shutdowns = 0;

class CountingGdiplus : public ::testing::Test {
protected:
    void SetUp() override {
        previousStartup = hooks::gdiplusStartup;
        previousShutdown = hooks::gdiplusShutdown;
        startups = shutdowns = 0;
        hooks::gdiplusStartup = [](ULONG_PTR* token, const Gdiplus::GdiplusStartupInput*) {
            ++startups;
            *token = 42;
            return Gdiplus::Ok;
        };
        hooks::gdiplusShutdown = [](ULONG_PTR token) {
            EXPECT_EQ(token, 42u);
            ++shutdowns;
        };
    }
    void TearDown() override {
        hooks::gdiplusStartup = previousStartup;
        hooks::gdiplusShutdown = previousShutdown;
    }

    decltype(hooks::gdiplusStartup) previousStartup = nullptr;
    decltype(hooks::gdiplusShutdown) previousShutdown = nullptr;
};

} // namespace

TEST_F(CountingGdiplus, StartsOnceAndShutsDownWithTheLastRenderer) {
    auto first = std::make_unique<Renderer>();
    auto second = std::make_unique<Renderer>();
    first->initialize(nullptr);
    second->initialize(nullptr);
    EXPECT_EQ(startups, 1);
    first.reset();
    EXPECT_EQ(shutdowns, 0);
    second.reset();
    EXPECT_EQ(shutdowns, 1);

    // Started again by the next renderer.
    Renderer third;
    third.initialize(nullptr);
    EXPECT_EQ(startups, 2);
}

TEST_F(CountingGdiplus, ARendererReleasesOnlyWhatItAcquired) {
    {
        Renderer live;
        live.initialize(nullptr);
        { Renderer neverInitialised; }
        EXPECT_EQ(shutdowns, 0) << "a renderer that never started GDI+ must not stop it under another";
        live.initialize(nullptr);
    }
    EXPECT_EQ(startups, 1);
    EXPECT_EQ(shutdowns, 1) << "a second initialisation must not keep GDI+ running for good";
}
