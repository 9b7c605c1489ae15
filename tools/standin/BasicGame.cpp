// The sample game's logic (main class "BasicGame.Game"), as its C# scripts would drive the engine:
// a player walks a tiled island with the arrow keys or WASD, the camera follows, coins can be
// collected, and clicks plant flags in the world.
#include "BasicGame.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace Standin {

namespace {

// The ground strip is stored at the size it is drawn (128-pixel cells, one world unit a pixel); the
// 16-pixel figures are drawn four times larger, which nearest-neighbour scaling keeps crisp.
constexpr float tileSize = 128.0f;
constexpr float cellPixels = 128.0f;
constexpr int worldTilesX = 15;
constexpr int worldTilesY = 9;
constexpr float worldWidth = tileSize * worldTilesX;
constexpr float worldHeight = tileSize * worldTilesY;
constexpr float viewWidth = 960.0f;
constexpr float viewHeight = 540.0f;
constexpr float playerSize = 64.0f;
constexpr float playerSpeed = 320.0f; // world units per second
constexpr float hudHeight = 40.0f;
constexpr std::size_t maxFlags = 24;

enum Tile { Grass = 0, Stone = 1, Water = 2, Sand = 3 };

struct Box {
    float x, y, w, h;
    bool overlaps(const Box& other) const {
        return other.x + other.w > x && x + w > other.x && other.y + other.h > y && y + h > other.y;
    }
};

struct Coin {
    Box box;
    bool collected = false;
};

bool held(const std::vector<int>& keys, int key) { return std::find(keys.begin(), keys.end(), key) != keys.end(); }

std::vector<int> parseList(const std::string& text) {
    std::vector<int> values;
    std::size_t at = 0;
    while (at < text.size()) {
        values.push_back(std::atoi(text.c_str() + at));
        const std::size_t comma = text.find(',', at);
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    return values;
}

Tile tileAt(int tx, int ty) {
    if (tx == 0 || ty == 0 || tx == worldTilesX - 1 || ty == worldTilesY - 1) return Stone;
    const float dx = static_cast<float>(tx) - 10.5f, dy = static_cast<float>(ty) - 2.5f;
    if (dx * dx / 4.0f + dy * dy / 1.5f < 1.0f) return Water;
    if (ty == 5 || tx == 4) return Sand;
    return Grass;
}

class BasicGame : public Game {
public:
    explicit BasicGame(const GameSetup& setup) : scene(setup.startScene) {
        player = {setup.x > 0 ? setup.x : 6 * tileSize, setup.y > 0 ? setup.y : 3 * tileSize, playerSize, playerSize};
        const float coinSpots[][2] = {{2.2f, 1.5f}, {6.6f, 1.2f}, {8.1f, 6.2f}, {12.5f, 7.1f}, {2.6f, 7.3f}, {9.7f, 4.4f}};
        for (const auto& spot : coinSpots) coins.push_back({{spot[0] * tileSize, spot[1] * tileSize, 32, 32}});
        const float treeSpots[][2] = {{1.5f, 3.1f}, {3.1f, 6.1f}, {5.1f, 1.2f}, {7.1f, 7.2f}, {11.6f, 5.6f}, {13.4f, 1.5f}, {8.6f, 1.1f}};
        for (const auto& spot : treeSpots) trees.push_back({spot[0] * tileSize, spot[1] * tileSize, 64, 64});
    }

    void start(std::string& out) override {
        if (!scene.empty() && scene != "Meadow") out += "ERROR|Unknown start scene " + scene + ", starting in Meadow\n";
        out += "LOG|Info|BasicGame started: walk with the arrow keys or WASD, click to plant flags\n";
    }

    void frame(const FrameInput& input, std::string& out) override {
        update(input);
        drawWorld(out);
        drawHud(input, out);
    }

private:
    void update(const FrameInput& input) {
        const std::vector<int> keys = parseList(input.keys);
        float dx = 0, dy = 0;
        if (held(keys, 37) || held(keys, 'A')) dx -= 1;
        if (held(keys, 39) || held(keys, 'D')) dx += 1;
        if (held(keys, 38) || held(keys, 'W')) dy -= 1;
        if (held(keys, 40) || held(keys, 'S')) dy += 1;
        if (dx != 0 && dy != 0) dx *= 0.7071f, dy *= 0.7071f;
        if (dx < 0) facingLeft = true;
        if (dx > 0) facingLeft = false;
        move(dx * playerSpeed * input.deltaTime, dy * playerSpeed * input.deltaTime);

        for (Coin& coin : coins) {
            if (!coin.collected && coin.box.overlaps(player)) {
                coin.collected = true;
                ++collected;
            }
        }
        // The camera keeps the player in the middle of the view below the HUD, out to the sea.
        camera.x = player.x + playerSize / 2 - viewWidth / 2;
        camera.y = player.y + playerSize / 2 - (viewHeight + hudHeight) / 2;

        const bool leftDown = held(parseList(input.buttons), 0);
        if (leftDown && !leftWasDown && static_cast<float>(input.mouseY) >= hudHeight) {
            if (flags.size() == maxFlags) flags.erase(flags.begin());
            const float x = camera.x + static_cast<float>(input.mouseX), y = camera.y + static_cast<float>(input.mouseY);
            flags.push_back({std::floor(x) - 16, std::floor(y) - 28, 32, 32});
        }
        leftWasDown = leftDown;

        if (input.deltaTime > 0) smoothedFrameTime += (input.deltaTime - smoothedFrameTime) * 0.05f;
    }

    // Moves axis by axis so the player slides along trees and the world's stone border.
    void move(float dx, float dy) {
        const Box before = player;
        player.x = std::clamp(player.x + dx, tileSize, worldWidth - tileSize - playerSize);
        if (blocked()) player.x = before.x;
        player.y = std::clamp(player.y + dy, tileSize, worldHeight - tileSize - playerSize);
        if (blocked()) player.y = before.y;
    }

    bool blocked() const {
        const Box feet{player.x + 16, player.y + 48, playerSize - 32, 16};
        for (const Box& tree : trees) {
            if (feet.overlaps(trunk(tree))) return true;
        }
        return false;
    }

    static Box trunk(const Box& tree) { return {tree.x + 24, tree.y + 36, 16, 20}; }

    // The world is seen below the HUD bar. Sprites are drawn after every rectangle, so a sprite
    // reaching into the bar is cut at its edge, its source rectangle with it.
    float worldTop() const { return camera.y + hudHeight; }

    void emitSprite(std::string& out, const char* texture, Box dest, Box source, bool flipX, bool wholeImage) const {
        const float top = worldTop();
        if (dest.y + dest.h <= top) return;
        if (dest.y < top) {
            const float cut = (top - dest.y) / dest.h;
            source.y += source.h * cut;
            source.h -= source.h * cut;
            dest.h -= top - dest.y;
            dest.y = top;
            wholeImage = false;
        }
        char line[256];
        const char* flip = flipX ? "true" : "false";
        if (wholeImage) {
            std::snprintf(line, sizeof line, "SPRITE|%.3f|%.3f|%.3f|%.3f|200|60|60|%s|%s|false\n", dest.x, dest.y, dest.w,
                          dest.h, texture, flip);
        } else {
            std::snprintf(line, sizeof line, "SPRITE_EX|%.3f|%.3f|%.3f|%.3f|200|60|60|%s|%s|false|%.4f|%.4f|%.4f|%.4f\n", dest.x,
                          dest.y, dest.w, dest.h, texture, flip, source.x, source.y, source.w, source.h);
        }
        out += line;
    }

    void emitCollider(std::string& out, int id, const Box& box, int r, int g, int b) const {
        char line[160];
        std::snprintf(line, sizeof line, "COLLIDER|%d|%.1f|%.1f|%.1f|%.1f\n", id, box.x, box.y, box.w, box.h);
        out += line;
        if (box.y < worldTop()) return;
        std::snprintf(line, sizeof line, "DEBUG_RECT|%.1f|%.1f|%.1f|%.1f|%d|%d|%d\n", box.x, box.y, box.w, box.h, r, g, b);
        out += line;
    }

    void drawWorld(std::string& out) const {
        char line[256];
        std::snprintf(line, sizeof line, "CAMERA|%.2f|%.2f|1|%.0f|%.0f\n", camera.x, camera.y, viewWidth, viewHeight);
        out += line;
        // The sea around the island: a plain rectangle, seen wherever no ground tile lies.
        std::snprintf(line, sizeof line, "RECT|%.2f|%.2f|%.0f|%.0f|28|58|96\n", camera.x, worldTop(), viewWidth, viewHeight);
        out += line;

        const int firstX = std::max(0, static_cast<int>(std::floor(camera.x / tileSize)));
        const int firstY = std::max(0, static_cast<int>(std::floor(worldTop() / tileSize)));
        const int lastX = std::min(worldTilesX - 1, static_cast<int>((camera.x + viewWidth) / tileSize));
        const int lastY = std::min(worldTilesY - 1, static_cast<int>((camera.y + viewHeight) / tileSize));
        for (int ty = firstY; ty <= lastY; ++ty) {
            for (int tx = firstX; tx <= lastX; ++tx) {
                const Box dest{tx * tileSize, ty * tileSize, tileSize, tileSize};
                const Box cell{cellPixels * static_cast<float>(tileAt(tx, ty)), 0, cellPixels, cellPixels};
                emitSprite(out, "assets/0-ground/tiles.png", dest, cell, false, false);
            }
        }

        const Box wholeArt{0, 0, 16, 16};
        int id = 1;
        for (const Coin& coin : coins) {
            if (coin.collected) continue;
            emitSprite(out, "assets/1-items/coin.png", {coin.box.x - 16, coin.box.y - 16, 64, 64}, wholeArt, false, true);
            emitCollider(out, 100 + id++, coin.box, 240, 220, 60);
        }
        for (const Box& flag : flags) emitSprite(out, "assets/1-items/flag.png", flag, wholeArt, false, true);
        id = 1;
        for (const Box& tree : trees) {
            emitSprite(out, "assets/2-scenery/tree.png", tree, wholeArt, false, true);
            emitCollider(out, 200 + id++, trunk(tree), 255, 140, 40);
        }
        emitSprite(out, "assets/3-actors/player.png", player, wholeArt, facingLeft, true);
        emitCollider(out, 1, player, 80, 220, 255);

        // A world-space label that travels with the player, centred over it.
        if (player.y - 20 >= worldTop()) {
            std::snprintf(line, sizeof line, "TEXT|%.1f|%.1f|Player|fonts/default.ttf|14|255|255|255|false|Center\n",
                          player.x + playerSize / 2 - 400, player.y - 20);
            out += line;
        }
    }

    void drawHud(const FrameInput& input, std::string& out) const {
        char line[256];
        std::snprintf(line, sizeof line, "SCREEN_RECT|0|0|%.0f|%.0f|16|20|28\n", viewWidth, hudHeight - 2);
        out += line;
        std::snprintf(line, sizeof line, "SCREEN_RECT|0|%.0f|%.0f|2|240|200|70\n", hudHeight - 2, viewWidth);
        out += line;
        const float fps = smoothedFrameTime > 0 ? 1.0f / smoothedFrameTime : 0.0f;
        std::snprintf(line, sizeof line, "TEXT|16|9|Position: %.0f, %.0f|fonts/default.ttf|17|235|235|235|true|Left\n", player.x,
                      player.y);
        out += line;
        std::snprintf(line, sizeof line, "TEXT|250|9|Frame rate: %.0f fps|fonts/default.ttf|17|235|235|235|true|Left\n", fps);
        out += line;
        std::snprintf(line, sizeof line, "TEXT|470|9|Coins: %d of %zu|fonts/default.ttf|17|250|210|60|true|Left\n", collected,
                      coins.size());
        out += line;
        std::snprintf(line, sizeof line, "TEXT|%.0f|9|Mouse %d, %d: click to plant a flag|fonts/default.ttf|17|170|180|200|true|Right\n",
                      viewWidth - 16 - 800, input.mouseX, input.mouseY);
        out += line;
    }

    std::string scene;
    Box player{};
    Box camera{0, 0, viewWidth, viewHeight};
    bool facingLeft = false;
    bool leftWasDown = false;
    int collected = 0;
    float smoothedFrameTime = 1.0f / 60.0f;
    std::vector<Coin> coins;
    std::vector<Box> trees;
    std::vector<Box> flags;
};

} // namespace

std::unique_ptr<Game> makeBasicGame(const GameSetup& setup) { return std::make_unique<BasicGame>(setup); }

} // namespace Standin
