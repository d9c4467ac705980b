// The simulated camera on loopback, as every camera suite starts it.
#include "support/loopback_camera.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vyr::test {

camsim::CameraConfig SmallCamera() {
    camsim::CameraConfig config;
    config.width = 640;
    config.height = 360;
    config.gopFrames = 5;
    config.loopFrames = 25;
    return config;
}

std::unique_ptr<camsim::Camera> StartLoopbackCamera(camsim::CameraConfig config) {
    config.address = "127.0.0.2";
    config.modelPort = 0;
    config.streamPort = 0;
    config.loopFrames = std::min(config.loopFrames, 25);
    auto camera = std::make_unique<camsim::Camera>(config);
    if (!camera->Start()) {
        ADD_FAILURE() << "the simulated camera did not start: " << camera->LastError();
        return nullptr;
    }
    return camera;
}

LinkPorts LoopbackPorts(const camsim::Camera& camera) {
    LinkPorts ports;
    ports.modelQuery = camera.ModelPort();
    ports.stream = camera.StreamPort();
    ports.control = 0;
    ports.picture = 0;
    return ports;
}

}  // namespace vyr::test
