// The frame's update: keys into displacements, displacements scaled by the elapsed time, and the
// cube and the camera moved by them, with the colour modifier handed over before anything is drawn.
#include "assets/material.h"
#include "assets/mesh.h"
#include "graphics/renderer.h"
#include "tests/unit/frame_recorder.h"

#include <cmath>
#include <limits>

namespace {

using FrameMovementTest = FrameTest;

// At 1 tick of 2 per second, e = 0.5 exactly.
TEST_F(FrameMovementTest, HeldRightArrowSettlesAndDecaysAfterRelease) {
    HoldKey(VK_RIGHT);
    const float expectedOffsets[] = {0.5f, 0.75f, 0.875f, 0.4375f, 0.21875f};
    const float expectedPositions[] = {0.5f, 1.25f, 2.125f, 2.5625f, 2.78125f};
    for (int frame = 0; frame < 5; ++frame) {
        SCOPED_TRACE(frame);
        if (frame == 3) {
            ReleaseKey(VK_RIGHT);
        }
        Renderer::DrawFrame();
        EXPECT_EQ(Renderer::cubeOffset.x, expectedOffsets[frame]);
        EXPECT_EQ(s_cubeMesh.position.x, expectedPositions[frame]);
        EXPECT_EQ(s_cubeMesh.position.y, 0.0f);
        EXPECT_EQ(s_cubeMesh.position.z, 0.0f);
        EXPECT_EQ(Renderer::cameraPosition, D3DXVECTOR3(0.0f, 0.0f, -10.0f));
    }
    // The model matrix of the last frame's cube carries its position.
    const std::vector<D3DXMATRIX> models = MatricesSentTo("modelToWorld");
    ASSERT_EQ(models.size(), 10u);
    EXPECT_EQ(Elements(models[8]), Elements(D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 2.78125f, 0, 0, 1)));
}

TEST_F(FrameMovementTest, HeldWRaisesTheCameraAndTheViewFollows) {
    HoldKey('W');
    const float expectedHeights[] = {0.5f, 1.25f, 2.125f};
    for (const float height : expectedHeights) {
        Renderer::DrawFrame();
        EXPECT_EQ(Renderer::cameraPosition, D3DXVECTOR3(0.0f, height, -10.0f));
    }
    const std::vector<D3DXMATRIX> views = MatricesSentTo("worldToView");
    ASSERT_EQ(views.size(), 3u);
    EXPECT_EQ(Elements(views[2]), Elements(D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -2.125f, 10, 1)));
    EXPECT_EQ(s_cubeMesh.position, D3DXVECTOR3(0.0f, 0.0f, 0.0f));
}

// Each key changes its own component only; the plane never moves.
TEST_F(FrameMovementTest, EachKeyMovesOneComponent) {
    struct KeyEffect {
        int virtualKey;
        D3DXVECTOR3 cube;
        D3DXVECTOR3 camera;
    };
    const KeyEffect effects[] = {
        {VK_LEFT, {-0.5f, 0, 0}, {0, 0, -10}},   {VK_RIGHT, {0.5f, 0, 0}, {0, 0, -10}},
        {VK_UP, {0, 0, 0.5f}, {0, 0, -10}},      {VK_DOWN, {0, 0, -0.5f}, {0, 0, -10}},
        {'A', {0, 0, 0}, {-0.5f, 0, -10}},       {'D', {0, 0, 0}, {0.5f, 0, -10}},
        {'W', {0, 0, 0}, {0, 0.5f, -10}},        {'S', {0, 0, 0}, {0, -0.5f, -10}},
        {'Q', {0, 0, 0}, {0, 0, -10}},           {VK_SPACE, {0, 0, 0}, {0, 0, -10}},
    };
    for (const KeyEffect& effect : effects) {
        SCOPED_TRACE(effect.virtualKey);
        TearDown();
        SetUp();
        s_planeMesh.position = D3DXVECTOR3(1.0f, 2.0f, 3.0f);
        HoldKey(effect.virtualKey);
        Renderer::DrawFrame();
        EXPECT_EQ(s_cubeMesh.position, effect.cube);
        EXPECT_EQ(Renderer::cameraPosition, effect.camera);
        EXPECT_EQ(s_planeMesh.position, D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    }
}

TEST_F(FrameMovementTest, OnlyBitsAboveTheLowestMeanDown) {
    const struct {
        SHORT state;
        float expectedX;
    } states[] = {{0x0001, 0.0f}, {static_cast<SHORT>(0x8000), 0.5f}, {static_cast<SHORT>(0x8001), 0.5f},
                  {0x0002, 0.5f}, {static_cast<SHORT>(0xFFFF), 0.5f}};
    for (const auto& state : states) {
        SCOPED_TRACE(state.state);
        Renderer::cubeOffset = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        SetKeyState(VK_RIGHT, state.state);
        Renderer::DrawFrame();
        EXPECT_EQ(Renderer::cubeOffset.x, state.expectedX);
    }
}

// Both steps are added in table order, left first, so the rounding of the two single-precision
// additions shows at e = 1/5.
TEST_F(FrameMovementTest, LeftAndRightTogetherAddBothStepsInOrder) {
    SetFrameSeconds(1, 5);
    const float e = static_cast<float>(1.0 / 5.0);
    HoldKey(VK_RIGHT);
    Renderer::DrawFrame();
    ASSERT_EQ(Renderer::cubeOffset.x, e);
    HoldKey(VK_LEFT);
    float expected = e;
    for (int frame = 0; frame < 2; ++frame) {
        SCOPED_TRACE(frame);
        const float leftFirst = ((expected + -1.0f) + 1.0f) * e;
        const float rightFirst = ((expected + 1.0f) + -1.0f) * e;
        ASSERT_NE(leftFirst, rightFirst) << "this frame's numbers do not tell the orders apart";
        expected = leftFirst;
        Renderer::DrawFrame();
        EXPECT_EQ(Renderer::cubeOffset.x, expected);
    }
    EXPECT_LT(Renderer::cubeOffset.x, e / 8.0f);
}

TEST_F(FrameMovementTest, FramesOfASecondOrMoreDoNotShrinkTheDisplacement) {
    SetFrameSeconds(1, 1);
    HoldKey(VK_UP);
    HoldKey('D');
    const float expectedOffsets[] = {1.0f, 2.0f, 3.0f};
    for (const float offset : expectedOffsets) {
        Renderer::DrawFrame();
        EXPECT_EQ(Renderer::cubeOffset.z, offset);
        EXPECT_EQ(Renderer::cameraOffset.x, offset);
    }
    EXPECT_EQ(s_cubeMesh.position.z, 6.0f);
    EXPECT_EQ(Renderer::cameraPosition.x, 6.0f);

    ReleaseKey(VK_UP);
    SetFrameSeconds(2, 1);
    Renderer::DrawFrame();
    EXPECT_EQ(Renderer::cubeOffset.z, 6.0f);
    EXPECT_EQ(s_cubeMesh.position.z, 12.0f);
}

TEST_F(FrameMovementTest, ExactlyMinusOneInElementZeroAppliesTheShaderDefaults) {
    const float NaN = std::numeric_limits<float>::quiet_NaN();
    const float others[][2] = {{0.25f, 0.5f}, {-1.0f, -1.0f}, {NaN, NaN}};
    for (const auto& other : others) {
        calls.clear();
        s_material.colorModifier[0] = -1.0f;
        s_material.colorModifier[1] = other[0];
        s_material.colorModifier[2] = other[1];
        Renderer::DrawFrame();
        ASSERT_GE(calls.size(), 3u);  // the look at the window, the counter reading, the colour
        EXPECT_EQ(calls[2], "SetDefaults(fragmentTable, device)");
        EXPECT_TRUE(colorModifiersSent.empty());
    }
}

TEST_F(FrameMovementTest, AnyOtherElementZeroIsSentWithTheOtherTwo) {
    const float NaN = std::numeric_limits<float>::quiet_NaN();
    const float almostMinusOne = std::nextafter(-1.0f, 0.0f);
    const float sent[][3] = {{NaN, 0.25f, 0.5f}, {almostMinusOne, -1.0f, -1.0f}, {1.0f, -1.0f, 2.0f}};
    for (const auto& values : sent) {
        calls.clear();
        colorModifiersSent.clear();
        for (int i = 0; i < 3; ++i) {
            s_material.colorModifier[i] = values[i];
        }
        Renderer::DrawFrame();
        ASSERT_GE(calls.size(), 3u);  // the look at the window, the counter reading, the colour
        EXPECT_EQ(calls[2], "SetFloatArray(fragmentTable, device, colorModifier, 3)");
        ASSERT_EQ(colorModifiersSent.size(), 1u);
        if (std::isnan(values[0])) {
            EXPECT_TRUE(std::isnan(colorModifiersSent[0][0]));
        } else {
            EXPECT_EQ(colorModifiersSent[0][0], values[0]);
        }
        EXPECT_EQ(colorModifiersSent[0][1], values[1]);
        EXPECT_EQ(colorModifiersSent[0][2], values[2]);
    }
}

}  // namespace
