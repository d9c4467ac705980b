// The gesture recogniser: contacts are kept by id, the zoom works on the two lowest ids.
#include "analyzer/touch_gestures.h"

#include <cmath>

namespace vyr {
namespace {

constexpr double kTapSlopPixels = 8.0;

int Round(double value) {
    return static_cast<int>(std::lround(value));
}

}  // namespace

GestureInfo TouchGestures::ZoomMessage(uint32_t flags) const {
    auto first = down_.begin();
    auto second = std::next(first);
    const QPointF a = first->second;
    const QPointF b = second->second;
    const QPointF middle = (a + b) / 2;
    const double distance = std::hypot(a.x() - b.x(), a.y() - b.y());
    return {kGestureZoom, flags, Round(middle.x()), Round(middle.y()),
            static_cast<uint64_t>(std::llround(distance))};
}

GestureInfo TouchGestures::PanMessage(uint32_t flags) const {
    const QPointF at = down_.begin()->second;
    return {kGesturePan, flags, Round(at.x()), Round(at.y()), 0};
}

std::vector<GestureInfo> TouchGestures::Feed(const std::vector<TouchContact>& contacts) {
    std::vector<GestureInfo> messages;
    const size_t before = down_.size();
    bool pressed = false;
    bool moved = false;
    std::vector<int> released;
    for (const TouchContact& contact : contacts) {
        switch (contact.state) {
            case TouchContact::State::kPressed:
                down_[contact.id] = contact.position;
                pressed = true;
                break;
            case TouchContact::State::kMoved:
                if (auto found = down_.find(contact.id); found != down_.end()) {
                    moved = moved || found->second != contact.position;
                    found->second = contact.position;
                }
                break;
            case TouchContact::State::kReleased:
                if (auto found = down_.find(contact.id); found != down_.end()) {
                    found->second = contact.position;
                    released.push_back(contact.id);
                }
                break;
            case TouchContact::State::kStationary:
                break;
        }
    }

    if (pressed && down_.size() >= 2) {
        // A tap is a second finger added to one that is held; a third finger ends that chance.
        pairStart_ = {down_.begin(), std::next(down_.begin(), 2)};
        isTapCandidate_ = before == 1 && down_.size() == 2;
        messages.push_back(ZoomMessage(kGestureFlagBegin));
    } else if (pressed && down_.size() == 1) {
        messages.push_back(PanMessage(kGestureFlagBegin));
    } else if (moved && down_.size() >= 2) {
        for (const auto& [id, start] : pairStart_) {
            const auto now = down_.find(id);
            if (now == down_.end() || std::hypot(now->second.x() - start.x(),
                                                 now->second.y() - start.y()) > kTapSlopPixels) {
                isTapCandidate_ = false;
            }
        }
        messages.push_back(ZoomMessage(0));
    } else if (moved && down_.size() == 1) {
        messages.push_back(PanMessage(0));
    }

    if (released.empty()) {
        return messages;
    }
    const bool wasPair = down_.size() >= 2;
    for (int id : released) {
        down_.erase(id);
    }
    if (wasPair && down_.size() == 1) {
        if (isTapCandidate_) {
            const QPointF at = down_.begin()->second;
            messages.push_back(
                {kGesturePressAndTap, kGestureFlagBegin, Round(at.x()), Round(at.y()), 0});
        }
        isTapCandidate_ = false;
        pairStart_.clear();
        messages.push_back(PanMessage(kGestureFlagBegin));
    } else if (down_.size() >= 2) {
        // The pair may now be two other fingers: their distance starts afresh.
        isTapCandidate_ = false;
        messages.push_back(ZoomMessage(kGestureFlagBegin));
    }
    if (down_.empty()) {
        Reset();
    }
    return messages;
}

void TouchGestures::Reset() {
    down_.clear();
    pairStart_.clear();
    isTapCandidate_ = false;
}

}  // namespace vyr
