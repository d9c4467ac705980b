// A DICOM export or sending run on a worker thread while a progress dialog shows how far it got.
// The worker reports by queued calls to this object (it never waits for the window); the window's
// thread joins the worker only once the worker has posted its end, or in the destructor after
// asking it to stop, which the worker notices before its next picture (so the wait is bounded by
// one picture and the archive timeouts of dicom/archive_sender.h).
#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>
#include <thread>

#include "dicom/batch_report.h"

class QProgressDialog;
class QWidget;

namespace vyr {

class DicomJob : public QObject {
public:
    // The work: runs on the worker with the progress callback and the cancel flag, fills the
    // report.
    using Work = std::function<void(const BatchProgress&, BatchCancel, BatchReport*)>;
    // Runs on the window's thread with the finished report.
    using Done = std::function<void(const BatchReport&)>;
    // The progress label for "picture done + 1 of total".
    using Label = std::function<QString(size_t next, size_t total)>;

    // Shows a progress dialog over owner (not modal: the window stays usable, the menu offers no
    // second batch meanwhile) and starts the worker at once. The job deletes itself after done has
    // run.
    DicomJob(QWidget* owner, const QString& title, size_t total, Label label,
             const QString& cancelText, const QString& stoppingText, Work work, Done done);
    // Asks the worker to stop and joins it; done is not called then.
    ~DicomJob() override;

    // True from construction until done has run.
    static bool isAnyRunning() { return running_ > 0; }

private:
    void OnProgress(size_t done, size_t total);
    void OnFinished();

    std::atomic<bool> cancel_{false};
    BatchReport report_;
    std::thread worker_;
    QPointer<QProgressDialog> progress_;
    Label label_;
    QString stoppingText_;
    Done done_;
    static inline int running_ = 0;
};

}  // namespace vyr
