// The stroke log and its replay through the same segment drawing as live strokes.
#include "analyzer/stroke_log.h"

#include "analyzer/back_buffer.h"

namespace vyr {

void StrokeLog::Segment(int contact, const QColor& colour, QPointF a, QPointF b) {
    if (const auto open = open_.find(contact); open != open_.end()) {
        strokes_[open->second].points.push_back(b);
        return;
    }
    open_[contact] = strokes_.size();
    strokes_.push_back({colour, {a, b}});
}

void StrokeLog::End(int contact) {
    open_.erase(contact);
}

bool StrokeLog::PopLast() {
    if (strokes_.empty()) {
        return false;
    }
    const size_t last = strokes_.size() - 1;
    std::erase_if(open_, [last](const auto& entry) { return entry.second == last; });
    strokes_.pop_back();
    return true;
}

void StrokeLog::Clear() {
    strokes_.clear();
    open_.clear();
}

void StrokeLog::Replay(BackBuffer& buffer, bool isAntialiased) const {
    for (const Stroke& stroke : strokes_) {
        for (size_t i = 1; i < stroke.points.size(); ++i) {
            buffer.DrawSegment(stroke.points[i - 1], stroke.points[i], stroke.colour,
                               isAntialiased);
        }
    }
}

}  // namespace vyr
