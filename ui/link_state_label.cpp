// The link-state label: white text on a translucent dark box in the live area's corner, raised
// above the live picture.
#include "ui/link_state_label.h"

#include "ui/link_state_texts.h"

namespace vyr {
namespace {

constexpr int kMarginPixels = 8;
constexpr int kAgeCheckMs = 250;

}  // namespace

LinkStateLabel::LinkStateLabel(QWidget* parent, std::function<int()> languageIndex,
                               std::function<uint64_t()> picturesDecoded)
    : QLabel(parent),
      languageIndex_(std::move(languageIndex)),
      picturesDecoded_(std::move(picturesDecoded)) {
    setObjectName(QStringLiteral("linkState"));
    setStyleSheet(QStringLiteral(
        "QLabel { color: white; background-color: rgba(0, 0, 0, 160); padding: 4px 8px; }"));
    setAttribute(Qt::WA_TransparentForMouseEvents);  // clicks reach the live area beneath
    move(kMarginPixels, kMarginPixels);
    hide();
    ageTimer_.setInterval(kAgeCheckMs);
    QObject::connect(&ageTimer_, &QTimer::timeout, this, [this] { Refresh(); });
}

void LinkStateLabel::SetState(const LinkStateReport& report) {
    const bool isNewStream =
        report.state == LinkState::kStreaming &&
        (report_.state != LinkState::kStreaming || report.connections != report_.connections);
    report_ = report;
    if (isNewStream) {
        // The picture's age counts from the moment the stream stood.
        lastPictures_ = picturesDecoded_();
        sinceLastPicture_.start();
    }
    if (report_.state == LinkState::kStreaming) {
        ageTimer_.start();
    } else {
        ageTimer_.stop();
    }
    Refresh();
}

void LinkStateLabel::Refresh() {
    if (report_.state != LinkState::kStreaming) {
        ShowText(LinkStateText(languageIndex_(), report_.state));
        return;
    }
    const uint64_t pictures = picturesDecoded_();
    if (pictures != lastPictures_) {
        lastPictures_ = pictures;
        sinceLastPicture_.start();
    }
    const qint64 ageMs = sinceLastPicture_.elapsed();
    ShowText(ageMs > kPictureAgeLimitMs
                 ? NoPictureText(languageIndex_(), static_cast<int>(ageMs / 1000))
                 : QString());
}

void LinkStateLabel::ShowText(const QString& text) {
    if (text.isEmpty()) {
        hide();
        return;
    }
    if (text != this->text()) {
        setText(text);
        setAccessibleName(text);
        adjustSize();
    }
    raise();
    show();
}

}  // namespace vyr
