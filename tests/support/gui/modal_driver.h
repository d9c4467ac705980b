// Drives modal dialogs from a test: steps are queued, and while the test blocks in some exec(),
// each newly opened modal dialog is handed to the next step (which clicks, types and ends it). A
// modal dialog that opens with no step left is cancelled and counted, so a test never hangs on a
// window nobody answers.
#pragma once

#include <QTimer>
#include <deque>
#include <functional>

class QWidget;

namespace vyr::test {

class ModalDriver {
public:
    using Step = std::function<void(QWidget* dialog)>;

    ModalDriver();
    ~ModalDriver();

    // Queues a step for the next modal dialog that opens.
    void Then(Step step);
    // Runs body, which is expected to block in modal runs, while the queued steps are applied.
    void Run(const std::function<void()>& body);

    int stepsLeft() const { return static_cast<int>(steps_.size()); }
    // Modal dialogs that opened with no step left.
    int unexpected() const { return unexpected_; }

private:
    void Poll();

    std::deque<Step> steps_;
    QTimer timer_;
    int unexpected_ = 0;
};

}  // namespace vyr::test
