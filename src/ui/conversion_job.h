// Runs one conversion on a worker thread and reports back on the window's thread.
#pragma once

#include <QFuture>
#include <QMutex>
#include <QObject>
#include <QString>

#include <atomic>
#include <optional>
#include <string>

#include "form.h"

namespace scrivane {

// One conversion at a time, off the user-interface thread; every signal arrives on
// the thread that owns the job, in the order the run produced it.
class ConversionJob : public QObject {
  Q_OBJECT

 public:
  // An idle job.
  explicit ConversionJob(QObject* parent = nullptr);
  // Waits for a running conversion; its pending signals are dropped.
  ~ConversionJob() override;

  // True from Start until Finished has been emitted.
  bool IsRunning() const { return running_; }
  // Starts a run writing to `outputFile`, or to the clipboard (DocumentReady) when nullopt;
  // false, with nothing started, while another run is going.
  bool Start(ConversionInput input, std::optional<std::string> outputFile, ConversionOptions options);
  // Asks a running conversion to stop; it ends soon after with RunFailure::Cancelled,
  // leaving its output file as it was.
  void Cancel() { cancelled_ = true; }
  // Blocks until a running conversion ends and emits its pending signals, Finished last.
  void WaitForFinished();
  // What the last finished run achieved.
  const RunResult& Result() const { return result_; }

 signals:
  // The progress strip's new text.
  void StatusChanged(const QString& text);
  // The document, for a run that delivers to the clipboard.
  void DocumentReady(const QString& document);
  // The run has ended; Result() tells how.
  void Finished();

 private:
  // Called on the worker: keeps only the newest status and posts it unless a post is pending.
  void PostStatus(const QString& text);
  // Called on the job's thread: emits the newest status.
  void EmitPendingStatus();
  RunCallbacks MakeCallbacks();

  bool running_ = false;
  std::atomic<bool> cancelled_ = false;
  RunResult result_;
  QFuture<void> future_;
  QMutex statusMutex_;
  QString pendingStatus_;
  bool statusPosted_ = false;
};

}  // namespace scrivane
