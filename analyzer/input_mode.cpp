// The input mode rule over the environment variable and QInputDevice::devices().
#include "analyzer/input_mode.h"

#include <QInputDevice>
#include <cstdlib>
#include <cstring>

namespace vyr {

InputMode ChooseInputMode(const char* forced, bool hasTouchScreen) {
    if (forced != nullptr && std::strcmp(forced, "mouse") == 0) {
        return InputMode::kMouse;
    }
    if (forced != nullptr && std::strcmp(forced, "touch") == 0) {
        return InputMode::kTouch;
    }
    return hasTouchScreen ? InputMode::kTouch : InputMode::kMouse;
}

bool HasTouchScreen() {
    for (const QInputDevice* device : QInputDevice::devices()) {
        if (device->type() == QInputDevice::DeviceType::TouchScreen) {
            return true;
        }
    }
    return false;
}

InputMode ResolveInputMode(InputModeChoice choice) {
    switch (choice) {
        case InputModeChoice::kMouse:
            return InputMode::kMouse;
        case InputModeChoice::kTouch:
            return InputMode::kTouch;
        case InputModeChoice::kDetect:
            break;
    }
    return ChooseInputMode(std::getenv(kInputModeVariable), HasTouchScreen());
}

}  // namespace vyr
