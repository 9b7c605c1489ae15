#include "core/Input.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

using namespace TarnwickEngine;
using TarnwickTest::releaseAllInput;

TEST(Input, ListsAreAscendingCommaSeparatedAndEmptyWhenNothingIsHeld) {
    releaseAllInput();
    EXPECT_EQ(Input::keysDownToString(), "");
    EXPECT_EQ(Input::mouseButtonsDownToString(), "");

    Input::setKey(65, true);
    Input::setKey(37, true);
    Input::setKey(0, true);
    Input::setKey(255, true);
    Input::setKey(65, true); // auto-repeat changes nothing
    EXPECT_EQ(Input::keysDownToString(), "0,37,65,255");
    Input::setKey(0, false);
    Input::setKey(255, false);
    EXPECT_EQ(Input::keysDownToString(), "37,65");

    Input::setMouseButton(2, true);
    Input::setMouseButton(0, true);
    Input::setMouseButton(7, true);
    EXPECT_EQ(Input::mouseButtonsDownToString(), "0,2,7");
    releaseAllInput();
}

TEST(Input, OutOfRangeIndicesChangeNothing) {
    releaseAllInput();
    Input::setKey(256, true);
    Input::setKey(0xFFFFFFFFu, true);
    Input::setMouseButton(8, true);
    EXPECT_EQ(Input::keysDownToString(), "");
    EXPECT_EQ(Input::mouseButtonsDownToString(), "");
    EXPECT_FALSE(Input::isKeyDown(256));
    Input::setKey(40, true);
    EXPECT_TRUE(Input::isKeyDown(40));
    EXPECT_FALSE(Input::isKeyDown(41));
    releaseAllInput();
}

TEST(Input, MousePositionKeepsItsSign) {
    Input::setMousePosition(-1, -32768);
    EXPECT_EQ(Input::getMouseX(), -1);
    EXPECT_EQ(Input::getMouseY(), -32768);
    releaseAllInput();
}

TEST(Input, ListsAppendToWhatIsThere) {
    releaseAllInput();
    std::string line = "FRAME|0|";
    Input::appendKeysDown(line);
    line += '|';
    Input::appendMouseButtonsDown(line);
    EXPECT_EQ(line, "FRAME|0||");
    for (const std::uint32_t key : {16u, 17u, 18u, 112u, 113u, 114u, 115u, 255u}) Input::setKey(key, true);
    Input::setMouseButton(1, true);
    line = "k=";
    Input::appendKeysDown(line);
    line += " b=";
    Input::appendMouseButtonsDown(line);
    EXPECT_EQ(line, "k=16,17,18,112,113,114,115,255 b=1");
    releaseAllInput();
}
