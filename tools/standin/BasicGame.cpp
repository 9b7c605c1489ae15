// The sample game's logic (main class "BasicGame.Game"), as its C# scripts would drive the engine:
// a player walks a tiled meadow with the arrow keys or WASD, the camera follows, coins can be
// collected, and clicks plant markers in the world.
#include "BasicGame.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace Standin {

namespace {

constexpr float tileSize = 32.0f;
constexpr int worldTilesX = 48;
constexpr int worldTilesY = 30;
constexpr float worldWidth = tileSize * worldTilesX;
constexpr float worldHeight = tileSize * worldTilesY;
constexpr float viewWidth = 960.0f;
constexpr float viewHeight = 540.0f;
constexpr float playerSize = 32.0f;
constexpr float playerSpeed = 200.0f; // world units per second
constexpr std::size_t maxMarkers = 24;

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
    const float dx = static_cast<float>(tx) - 34.0f, dy = static_cast<float>(ty) - 9.0f;
    if (dx * dx / 36.0f + dy * dy / 12.0f < 1.0f) return Water;
    if (ty == 15 || tx == 12) return Sand;
    return Grass;
}

class BasicGame : public Game {
public:
    explicit BasicGame(const GameSetup& setup) : scene(setup.startScene) {
        player = {setup.x > 0 ? setup.x : 14 * tileSize, setup.y > 0 ? setup.y : 13 * tileSize, playerSize, playerSize};
        const float coinSpots[][2] = {{6, 6}, {20, 5}, {26, 20}, {40, 24}, {8, 25}, {30, 14}};
        for (const auto& spot : coinSpots) coins.push_back({{spot[0] * tileSize + 8, spot[1] * tileSize + 8, 16, 16}});
        const float treeSpots[][2] = {{4, 10}, {9, 18}, {17, 9}, {23, 24}, {38, 18}, {43, 5}, {28, 4}};
        for (const auto& spot : treeSpots) trees.push_back({spot[0] * tileSize, spot[1] * tileSize, 48, 48});
    }

    void start(std::string& out) override {
        if (!scene.empty() && scene != "Meadow") out += "ERROR|Unknown start scene " + scene + ", starting in Meadow\n";
        out += "LOG|Info|BasicGame started: walk with the arrow keys or WASD, click to plant markers\n";
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
        camera.x = std::clamp(player.x + playerSize / 2 - viewWidth / 2, 0.0f, worldWidth - viewWidth);
        camera.y = std::clamp(player.y + playerSize / 2 - viewHeight / 2, 0.0f, worldHeight - viewHeight);

        const bool leftDown = held(parseList(input.buttons), 0);
        if (leftDown && !leftWasDown) {
            if (markers.size() == maxMarkers) markers.erase(markers.begin());
            markers.push_back({camera.x + static_cast<float>(input.mouseX) - 6, camera.y + static_cast<float>(input.mouseY) - 6, 12, 12});
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
        const Box feet{player.x + 4, player.y + 20, playerSize - 8, 12};
        for (const Box& tree : trees) {
            if (feet.overlaps(trunk(tree))) return true;
        }
        return false;
    }

    static Box trunk(const Box& tree) { return {tree.x + 16, tree.y + 28, 16, 20}; }

    void drawWorld(std::string& out) const {
        char line[256];
        std::snprintf(line, sizeof line, "CAMERA|%.2f|%.2f|1|%.0f|%.0f\n", camera.x, camera.y, viewWidth, viewHeight);
        out += line;

        const int firstX = static_cast<int>(camera.x / tileSize), firstY = static_cast<int>(camera.y / tileSize);
        for (int ty = firstY; ty <= firstY + static_cast<int>(viewHeight / tileSize) + 1 && ty < worldTilesY; ++ty) {
            for (int tx = firstX; tx <= firstX + static_cast<int>(viewWidth / tileSize) + 1 && tx < worldTilesX; ++tx) {
                std::snprintf(line, sizeof line, "SPRITE_EX|%.0f|%.0f|%.0f|%.0f|60|120|60|assets/tiles.png|false|false|%d|0|16|16\n",
                              tx * tileSize, ty * tileSize, tileSize, tileSize, 16 * tileAt(tx, ty));
                out += line;
            }
        }
        for (const Box& marker : markers) {
            std::snprintf(line, sizeof line, "RECT|%.1f|%.1f|%.0f|%.0f|240|90|200\n", marker.x, marker.y, marker.w, marker.h);
            out += line;
        }
        // A soft shadow under the player, drawn before the sprites.
        std::snprintf(line, sizeof line, "RECT|%.1f|%.1f|24|5|30|60|35\n", player.x + 4, player.y + playerSize - 3);
        out += line;

        int id = 1;
        for (const Coin& coin : coins) {
            if (coin.collected) continue;
            std::snprintf(line, sizeof line, "SPRITE|%.0f|%.0f|%.0f|%.0f|250|210|60|assets/coin.png\n", coin.box.x - 8,
                          coin.box.y - 8, 32.0f, 32.0f);
            out += line;
            appendCollider(out, 100 + id++, coin.box, 240, 220, 60);
        }
        id = 1;
        for (const Box& tree : trees) {
            std::snprintf(line, sizeof line, "SPRITE|%.0f|%.0f|%.0f|%.0f|40|120|50|assets/tree.png\n", tree.x, tree.y, tree.w, tree.h);
            out += line;
            appendCollider(out, 200 + id++, trunk(tree), 255, 140, 40);
        }
        std::snprintf(line, sizeof line, "SPRITE|%.1f|%.1f|%.0f|%.0f|200|60|60|assets/player.png|%s|false\n", player.x, player.y,
                      playerSize, playerSize, facingLeft ? "true" : "false");
        out += line;
        appendCollider(out, 1, player, 80, 220, 255);

        // A world-space label that travels with the player, centred over it.
        std::snprintf(line, sizeof line, "TEXT|%.1f|%.1f|Player|fonts/default.ttf|14|255|255|255|false|Center\n",
                      player.x + playerSize / 2 - 400, player.y - 20);
        out += line;
    }

    static void appendCollider(std::string& out, int id, const Box& box, int r, int g, int b) {
        char line[160];
        std::snprintf(line, sizeof line, "COLLIDER|%d|%.1f|%.1f|%.1f|%.1f\nDEBUG_RECT|%.1f|%.1f|%.1f|%.1f|%d|%d|%d\n", id, box.x,
                      box.y, box.w, box.h, box.x, box.y, box.w, box.h, r, g, b);
        out += line;
    }

    void drawHud(const FrameInput& input, std::string& out) const {
        char line[256];
        out += "SCREEN_RECT|12|12|260|92|16|20|28\n";
        out += "SCREEN_RECT|12|12|260|3|240|200|70\n";
        const float fps = smoothedFrameTime > 0 ? 1.0f / smoothedFrameTime : 0.0f;
        std::snprintf(line, sizeof line, "TEXT|24|22|Position: %.0f, %.0f|fonts/default.ttf|16|235|235|235|true|Left\n", player.x, player.y);
        out += line;
        std::snprintf(line, sizeof line, "TEXT|24|44|Frame rate: %.0f fps|fonts/default.ttf|16|235|235|235|true|Left\n", fps);
        out += line;
        std::snprintf(line, sizeof line, "TEXT|24|66|Coins: %d of %zu   Mouse: %d, %d|fonts/default.ttf|16|250|210|60|true|Left\n",
                      collected, coins.size(), input.mouseX, input.mouseY);
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
    std::vector<Box> markers;
};

} // namespace

std::unique_ptr<Game> makeBasicGame(const GameSetup& setup) { return std::make_unique<BasicGame>(setup); }

} // namespace Standin
