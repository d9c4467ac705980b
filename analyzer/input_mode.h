// Mouse mode or touch mode, chosen once when the analyzer opens: touch mode when a touch screen is
// among the input devices Qt knows, mouse mode otherwise. The environment variable
// VYR_ANALYZER_INPUT=mouse or =touch forces one of them, for a chair PC whose touch driver reports
// wrongly and for tests; any other value (or none) leaves the choice to the devices.
#pragma once

namespace vyr {

enum class InputMode { kMouse, kTouch };

// What the caller asks for: the devices' (and the environment's) choice, or a fixed mode.
enum class InputModeChoice { kDetect, kMouse, kTouch };

inline constexpr char kInputModeVariable[] = "VYR_ANALYZER_INPUT";

// The rule itself: a forced value ("mouse", "touch", case as written) wins, otherwise touch mode
// exactly when a touch screen is present. forced may be null.
InputMode ChooseInputMode(const char* forced, bool hasTouchScreen);

// Whether QInputDevice::devices() holds a touch screen.
bool HasTouchScreen();

// The mode for an opening analyzer: choice when it is fixed, else ChooseInputMode on the
// environment variable and the devices.
InputMode ResolveInputMode(InputModeChoice choice);

}  // namespace vyr
