#include "scene/Scene.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace TarnwickEngine;

namespace {

std::vector<std::string> calls;

struct Recorder : Entity {
    std::string name;
    void start() override { calls.push_back(name + ".start"); }
    void update(float dt) override { calls.push_back(name + ".update(" + std::to_string(int(dt * 1000)) + ")"); }
    ~Recorder() override { calls.push_back(name + ".destroyed"); }
};

Recorder* add(Scene& scene, const std::string& name) {
    Recorder* entity = scene.createEntity<Recorder>();
    entity->name = name;
    return entity;
}

struct Spawner : Recorder {
    Scene* scene = nullptr;
    void update(float dt) override {
        Recorder::update(dt);
        add(*scene, "spawned");
    }
};

} // namespace

TEST(Scene, NewEntitiesHaveTheDefaultTransformAndStablePointers) {
    Scene scene;
    Entity* first = scene.createEntity();
    EXPECT_EQ(first->transform.position.x, 0.0f);
    EXPECT_EQ(first->transform.position.y, 0.0f);
    EXPECT_EQ(first->transform.scale.x, 1.0f);
    EXPECT_EQ(first->transform.scale.y, 1.0f);
    EXPECT_EQ(first->transform.rotation, 0.0f);
    first->transform.rotation = 2.0f;
    for (int i = 0; i < 100; ++i) EXPECT_NE(scene.createEntity(), first);
    EXPECT_EQ(first->transform.rotation, 2.0f);
    EXPECT_EQ(scene.entityCount(), 101u);
}

TEST(Scene, HooksRunInCreationOrderAndStartRunsOnce) {
    calls.clear();
    {
        Scene scene;
        scene.start(); // empty scene: only marks it started
        EXPECT_TRUE(scene.isStarted());
        add(scene, "A");
        add(scene, "B");
        scene.start(); // already started: the entities created since get no start
        scene.update(0.016f);
        add(scene, "C");
        scene.update(0.032f);
    }
    const std::vector<std::string> expected = {"A.update(16)", "B.update(16)", "A.update(32)", "B.update(32)",
                                               "C.update(32)", "A.destroyed",  "B.destroyed",  "C.destroyed"};
    EXPECT_EQ(calls, expected);
}

TEST(Scene, UpdateBeforeStartDoesNotStart) {
    calls.clear();
    Scene scene;
    add(scene, "A");
    scene.update(0.001f);
    EXPECT_FALSE(scene.isStarted());
    scene.start();
    scene.start();
    EXPECT_EQ(calls, (std::vector<std::string>{"A.update(1)", "A.start"}));
}

TEST(Scene, EntitiesCreatedDuringAPassWaitForTheNextPass) {
    calls.clear();
    Scene scene;
    auto* spawner = scene.createEntity<Spawner>();
    spawner->name = "S";
    spawner->scene = &scene;
    scene.update(0.002f);
    EXPECT_EQ(scene.entityCount(), 2u);
    EXPECT_EQ(calls, (std::vector<std::string>{"S.update(2)"}));
    scene.update(0.002f);
    EXPECT_EQ(calls, (std::vector<std::string>{"S.update(2)", "S.update(2)", "spawned.update(2)"}));
}
