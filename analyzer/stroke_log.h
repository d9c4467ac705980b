// The strokes drawn since the last draw of the picture, so that Ctrl+Z can take the last one back:
// the picture is drawn again as it was and the other strokes over it. A stroke is one contact's
// line (the mouse, or one finger) from the first segment it draws until it is lifted.
#pragma once

#include <QColor>
#include <QPointF>
#include <map>
#include <vector>

namespace vyr {

class BackBuffer;

struct Stroke {
    QColor colour;
    std::vector<QPointF> points;
};

class StrokeLog {
public:
    // A segment from a to b was drawn by this contact: it continues the contact's open stroke, or
    // begins a new one.
    void Segment(int contact, const QColor& colour, QPointF a, QPointF b);
    // The contact was lifted: its next segment begins a new stroke.
    void End(int contact);
    // Forgets the stroke begun last; false when there is none.
    bool PopLast();
    // Forgets everything (the picture was drawn again).
    void Clear();

    const std::vector<Stroke>& strokes() const { return strokes_; }

    // Draws every stroke again into the buffer, segment by segment with the pen (the caller holds
    // the draw guard).
    void Replay(BackBuffer& buffer, bool isAntialiased) const;

private:
    std::vector<Stroke> strokes_;
    std::map<int, size_t> open_;  // contact -> its stroke in strokes_
};

}  // namespace vyr
