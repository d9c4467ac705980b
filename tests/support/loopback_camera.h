// The simulated camera on 127.0.0.2 for every suite that talks to a camera: ports of its own
// choosing (so suites run side by side), and the link ports that reach it.
#pragma once

#include <memory>

#include "linkstate/link_ports.h"
#include "tools/camsim/camera.h"

namespace vyr::test {

// A small H.264 camera (640 x 360, an IDR every 5 pictures, 25 pictures looped) that starts fast.
camsim::CameraConfig SmallCamera();

// Starts a camera with config on 127.0.0.2, its ports chosen by the system and its loop at most
// 25 pictures; fails the test and returns null when it cannot start.
std::unique_ptr<camsim::Camera> StartLoopbackCamera(camsim::CameraConfig config);

// The camera's model and stream ports; the link's own control and picture servers on ports of
// their own choosing.
LinkPorts LoopbackPorts(const camsim::Camera& camera);

}  // namespace vyr::test
