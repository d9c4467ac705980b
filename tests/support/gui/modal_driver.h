// Drives modal dialogs from a test: steps are queued, and while the test blocks in some exec(),
// each newly opened modal dialog is handed to the next step (which clicks, types and ends it). A
// modal dialog that opens with no step left is cancelled and counted, so a test never hangs on a
// window nobody answers. A timer that runs inside every nested event loop polls
// QApplication::activeModalWidget(); each modal dialog is marked once it has been handed on.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QVariant>
#include <deque>
#include <functional>

namespace vyr::test {

class ModalDriver {
public:
    using Step = std::function<void(QWidget* dialog)>;

    ModalDriver() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    }

    // Queues a step for the next modal dialog that opens.
    void Then(Step step) { steps_.push_back(std::move(step)); }
    // Runs body, which is expected to block in modal runs, while the queued steps are applied.
    void Run(const std::function<void()>& body) {
        timer_.start();
        body();
        timer_.stop();
    }

    int stepsLeft() const { return static_cast<int>(steps_.size()); }
    // Modal dialogs that opened with no step left.
    int unexpected() const { return unexpected_; }

private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible() || modal->property("vyrTestHandled").toBool()) {
            return;
        }
        modal->setProperty("vyrTestHandled", true);
        if (steps_.empty()) {
            ++unexpected_;
            auto* dialog = qobject_cast<QDialog*>(modal);
            dialog != nullptr ? dialog->done(QDialog::Rejected) : (void)modal->close();
            return;
        }
        Step step = std::move(steps_.front());
        steps_.pop_front();
        step(modal);
    }

    std::deque<Step> steps_;
    QTimer timer_;  // stops when destroyed
    int unexpected_ = 0;
};

}  // namespace vyr::test
