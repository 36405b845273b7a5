// The worker side of a conversion: the engine runs on a pool thread and every
// callback becomes a queued call on the job's own thread.
#include "conversion_job.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QMutexLocker>
#include <QtConcurrent/QtConcurrentRun>

#include <exception>
#include <utility>

#include "messages.h"

namespace scrivane {

ConversionJob::ConversionJob(QObject* parent) : QObject(parent) {}

ConversionJob::~ConversionJob() { future_.waitForFinished(); }

void ConversionJob::PostStatus(const QString& text) {
  QMutexLocker lock(&statusMutex_);
  pendingStatus_ = text;
  if (statusPosted_) return;
  statusPosted_ = true;
  // A run reports far faster than a window repaints; posting only when nothing is
  // waiting keeps the event queue short whatever the input's size.
  QMetaObject::invokeMethod(this, &ConversionJob::EmitPendingStatus, Qt::QueuedConnection);
}

void ConversionJob::EmitPendingStatus() {
  QString text;
  {
    QMutexLocker lock(&statusMutex_);
    text = pendingStatus_;
    statusPosted_ = false;
  }
  emit StatusChanged(text);
}

RunCallbacks ConversionJob::MakeCallbacks() {
  RunCallbacks callbacks;
  callbacks.progress = [this](double fraction) { PostStatus(QString::fromStdString(ProgressText(fraction))); };
  callbacks.cancelled = [this] { return cancelled_.load(); };
  return callbacks;
}

bool ConversionJob::Start(ConversionInput input, std::optional<std::string> outputFile, ConversionOptions options) {
  if (running_) return false;
  running_ = true;
  cancelled_ = false;
  ConversionOutput output;
  if (outputFile) {
    output = OutputFile{*outputFile};
  } else {
    output = OutputText{[this](std::string&& document) {
      const QString text = QString::fromStdString(document);
      QMetaObject::invokeMethod(this, [this, text] { emit DocumentReady(text); }, Qt::QueuedConnection);
    }};
  }
  RunCallbacks callbacks = MakeCallbacks();
  future_ = QtConcurrent::run([this, input = std::move(input), output = std::move(output),
                               options = std::move(options), callbacks = std::move(callbacks)] {
    RunResult result;
    try {
      result = RunConversion(input, output, options, callbacks);
    } catch (const std::exception& error) {
      // A failure the engine does not report itself still reaches the user.
      result = RunResult{.failure = RunFailure::Internal, .reason = error.what()};
    }
    QMetaObject::invokeMethod(
        this,
        [this, result = std::move(result)] {
          result_ = result;
          running_ = false;
          emit Finished();
        },
        Qt::QueuedConnection);
  });
  return true;
}

void ConversionJob::WaitForFinished() {
  if (!running_) return;
  future_.waitForFinished();
  QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

}  // namespace scrivane
