// A native game object: a transform and two hooks that derived classes override. The game's logic
// runs in the script host instead; nothing in the runtime creates entities.
#pragma once

namespace TarnwickEngine {

struct Vector2 {
    float x = 0.0f;
    float y = 0.0f;
};

struct Transform {
    Vector2 position{0.0f, 0.0f};
    Vector2 scale{1.0f, 1.0f};
    float rotation = 0.0f;
};

class Entity {
public:
    virtual ~Entity() {}
    virtual void start() {}
    virtual void update(float dt) { (void)dt; }

    Transform transform;
};

} // namespace TarnwickEngine
