// Gestures made from raw touch contacts, in the form the analyzer's gesture handler has always
// taken them: a gesture id, a begin flag, a location and a 64-bit argument.
//   - one finger down: a pan begins at the finger; each move is a pan to the finger's place;
//   - a second finger down: a zoom begins, its argument the distance between the two fingers and
//     its location their middle; each move is a zoom with the new distance and middle;
//   - back to one finger: a pan begins again where that finger is, so panning goes on without a
//     jump;
//   - a second finger put down and lifted while neither finger moved (more than 8 pixels) is a
//     press and tap, sent when it is lifted.
// Qt's own pan recogniser wants two fingers and would compete with the pinch for the same
// contacts, so the analyzer recognises its three gestures itself from the touch events.
#pragma once

#include <QPointF>
#include <cstdint>
#include <map>
#include <vector>

namespace vyr {

enum GestureId : int {
    kGestureZoom = 3,
    kGesturePan = 4,
    kGesturePressAndTap = 7,
};

inline constexpr uint32_t kGestureFlagBegin = 1;

// One gesture message; x, y in the touch surface's client pixels.
struct GestureInfo {
    int id = 0;
    uint32_t flags = 0;
    int x = 0;
    int y = 0;
    uint64_t argument = 0;
};

// One contact of a touch event.
struct TouchContact {
    enum class State { kPressed, kMoved, kStationary, kReleased };
    int id = 0;
    QPointF position;
    State state = State::kStationary;
};

class TouchGestures {
public:
    // The gesture messages that one touch event's contacts make, in order.
    std::vector<GestureInfo> Feed(const std::vector<TouchContact>& contacts);
    // Forgets every contact (a cancelled touch sequence).
    void Reset();

private:
    GestureInfo ZoomMessage(uint32_t flags) const;
    GestureInfo PanMessage(uint32_t flags) const;

    std::map<int, QPointF> down_;  // contacts down, by id
    // The two-finger part: where both fingers were when the second came down, and whether it is
    // still a press and tap.
    std::map<int, QPointF> pairStart_;
    bool isTapCandidate_ = false;
};

}  // namespace vyr
