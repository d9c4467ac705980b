// Polls QApplication::activeModalWidget() from a timer that runs inside every nested event loop;
// each modal dialog is marked once it has been handed to a step.
#include "support/gui/modal_driver.h"

#include <QApplication>
#include <QDialog>
#include <QVariant>

namespace vyr::test {
namespace {

constexpr char kHandled[] = "vyrTestHandled";

}  // namespace

ModalDriver::ModalDriver() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
}

ModalDriver::~ModalDriver() {
    timer_.stop();
}

void ModalDriver::Then(Step step) {
    steps_.push_back(std::move(step));
}

void ModalDriver::Run(const std::function<void()>& body) {
    timer_.start();
    body();
    timer_.stop();
}

void ModalDriver::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible() || modal->property(kHandled).toBool()) {
        return;
    }
    modal->setProperty(kHandled, true);
    if (steps_.empty()) {
        ++unexpected_;
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->done(QDialog::Rejected);
        } else {
            modal->close();
        }
        return;
    }
    Step step = std::move(steps_.front());
    steps_.pop_front();
    step(modal);
}

}  // namespace vyr::test
