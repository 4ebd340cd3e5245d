// What the unit tests share: a fixture that puts every platform operation back after each test, a
// recorder of message boxes, and a real window with a real Direct3D 9 device for the tests that
// need the platform itself.
#pragma once

#include "platform/seam.h"
#include "tests/support/message_box_call.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class PlatformTest : public ::testing::Test {
protected:
    void TearDown() override;

    // From now on MessageBoxA records its calls here and answers `answer` without showing anything.
    void RecordMessageBoxes(int answer = IDOK);
    std::vector<MessageBoxCall> messageBoxes;

    // Registers the main window class, creates the main window and makes Renderer::direct3D and
    // Renderer::device for it, with Renderer::window set: what the asset steps find when the
    // program has started. Fails the test when any of it could not be made.
    void StartRealDevice();
    // Shuts the renderer down, then destroys the window and unregisters its class.
    void StopRealDevice();

private:
    bool realDeviceStarted = false;
};
