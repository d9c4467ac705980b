// The small label over the top-left corner of the live area that says why no live picture is
// there: connecting, no camera, stream lost, or, while a stream stands, how long the last picture
// is old. Hidden while pictures flow. The state comes from the link (its notification, delivered
// on this thread); the age of the picture from the count of decoded pictures, read four times a
// second
// while a stream stands. A QLabel, so that screen readers find the text in the accessibility tree.
#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <cstdint>
#include <functional>

#include "platform/notification_target.h"

namespace vyr {

class LinkStateLabel : public QLabel {
public:
    // languageIndex and picturesDecoded are asked whenever the text is made.
    LinkStateLabel(QWidget* parent, std::function<int()> languageIndex,
                   std::function<uint64_t()> picturesDecoded);

    void SetState(const LinkStateReport& report);
    LinkState state() const { return report_.state; }

    // After this long without a new picture while a stream stands, the label says so.
    static constexpr int kPictureAgeLimitMs = 1000;

private:
    void Refresh();
    void ShowText(const QString& text);

    std::function<int()> languageIndex_;
    std::function<uint64_t()> picturesDecoded_;
    LinkStateReport report_;
    uint64_t lastPictures_ = 0;
    QElapsedTimer sinceLastPicture_;
    QTimer ageTimer_;
};

}  // namespace vyr
