#include "scene/Scene.h"

namespace TarnwickEngine {

// Both passes take the entity count once and walk by index: an entity that a hook creates is not
// visited in the same pass, and the walk stays valid while the list grows under it.

void Scene::start() {
    if (started) return;
    const std::size_t count = entities.size();
    for (std::size_t i = 0; i < count; ++i) entities[i]->start();
    started = true;
}

void Scene::update(float dt) {
    const std::size_t count = entities.size();
    for (std::size_t i = 0; i < count; ++i) entities[i]->update(dt);
}

} // namespace TarnwickEngine
