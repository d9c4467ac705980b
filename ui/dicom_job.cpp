// The progress dialog counts pictures; its Cancel sets the flag the batch reads before each
// picture. The report is written by the worker only and read here only after the join.
#include "ui/dicom_job.h"

#include <QMetaObject>
#include <QProgressDialog>

namespace vyr {

DicomJob::DicomJob(QWidget* owner, const QString& title, size_t total, Label label,
                   const QString& cancelText, const QString& stoppingText, Work work, Done done)
    : QObject(owner),
      label_(std::move(label)),
      stoppingText_(stoppingText),
      done_(std::move(done)) {
    ++running_;
    progress_ =
        new QProgressDialog(label_(0, total), cancelText, 0, static_cast<int>(total), owner);
    // Not modal: a modal progress dialog runs the event loop inside setValue, where the end of
    // the job could delete the dialog under its own feet. The menu refuses a second batch instead.
    progress_->setWindowModality(Qt::NonModal);
    progress_->setWindowTitle(title);
    progress_->setMinimumDuration(0);
    progress_->setAutoReset(false);
    progress_->setAutoClose(false);
    progress_->setValue(0);
    QObject::connect(progress_, &QProgressDialog::canceled, this, [this] {
        cancel_.store(true);
        if (progress_ != nullptr) {
            progress_->setLabelText(stoppingText_);
        }
    });

    worker_ = std::thread([this, work = std::move(work)] {
        const BatchProgress progress = [this](size_t finished, size_t count) {
            QMetaObject::invokeMethod(
                this, [this, finished, count] { OnProgress(finished, count); },
                Qt::QueuedConnection);
        };
        work(progress, &cancel_, &report_);
        QMetaObject::invokeMethod(
            this, [this] { OnFinished(); }, Qt::QueuedConnection);
    });
}

DicomJob::~DicomJob() {
    cancel_.store(true);
    if (worker_.joinable()) {
        worker_.join();
        --running_;
    }
    delete progress_;
}

void DicomJob::OnProgress(size_t done, size_t total) {
    if (progress_ == nullptr) {
        return;
    }
    progress_->setValue(static_cast<int>(done));
    if (!cancel_.load() && done < total) {
        progress_->setLabelText(label_(done, total));
    }
}

void DicomJob::OnFinished() {
    worker_.join();
    --running_;
    delete progress_;
    done_(report_);
    deleteLater();
}

}  // namespace vyr
