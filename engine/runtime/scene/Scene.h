// Owns a scene's entities, starts them once and updates them on every call.
#pragma once

#include "scene/Entity.h"

#include <cstddef>
#include <memory>
#include <type_traits>
#include <vector>

namespace TarnwickEngine {

class Scene {
public:
    // Makes a new entity (of a type derived from Entity, if asked) owned by the scene. The pointer
    // stays valid as long as the scene lives. No hook is called.
    template <typename T = Entity>
    T* createEntity() {
        static_assert(std::is_base_of<Entity, T>::value, "scene entities derive from Entity");
        auto entity = std::make_unique<T>();
        T* pointer = entity.get();
        entities.push_back(std::move(entity));
        return pointer;
    }

    // Runs Entity::start on each entity once; later calls do nothing.
    void start();
    void update(float dt);

    bool isStarted() const { return started; }
    std::size_t entityCount() const { return entities.size(); }

private:
    std::vector<std::unique_ptr<Entity>> entities;
    bool started = false;
};

} // namespace TarnwickEngine
