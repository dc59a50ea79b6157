#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "BatchTask.h"

class HeaderBar;
class ImagesPanel;
class MakeVideoPanel;
class QListWidget;
class QPlainTextEdit;
class QWidget;

// Tells the desktop that a batch has ended (title, text); false when it
// could not. The window uses the freedesktop notification service; tests
// install their own. An empty one restores the service. Returns the previous.
using Notifier = std::function<bool(const QString& title, const QString& text)>;
Notifier SetNotifier(Notifier notifier);

// The parts of the window a batch shows itself in.
struct BatchViewParts {
    QWidget* window = nullptr;  // its title, and the parent of the finish message
    HeaderBar* header = nullptr;
    MakeVideoPanel* make = nullptr;
    QListWidget* keywords = nullptr;
    ImagesPanel* images = nullptr;
    QPlainTextEdit* commandLog = nullptr;  // the music tool's commands
};

// A running batch as the window shows it: the status line, the progress bar
// and the title ("42% · Vid Mill"), each keyword's state beside it, the
// slides of the video being made, and the finish message. Events of a video
// that is being prepared while an earlier one renders wait here until it is
// that video's turn, so the status line follows one video at a time, in
// keyword order. It owns the task.
class BatchView : public QObject {
    Q_OBJECT
public:
    BatchView(const BatchViewParts& parts, std::unique_ptr<vm::BatchTask> task, int videos,
              const QString& outputName, const QString& folder, const QString& programName,
              QObject* parent);
    ~BatchView() override;

    vm::BatchTask* Task() const { return task_.get(); }
    // Shows the batch at its start; the clock of "about 2 min left" starts.
    void Begin();
    // "Stopping...": the Stop button goes off and the task is told.
    void Stop();
    // The window is closing: what fails from here is not reported.
    void SetClosing() { closing_ = true; }
    // One line per video not made so far.
    QStringList Failures() const { return failures_; }
    void ShowTitle();
    // "Made 3 of 7 videos" under the bar, then (unless the window is
    // closing) the finish message, or a desktop notification when the
    // window is in the background.
    void ShowFinish(bool stopped);

signals:
    // A video has ended (made, failed or skipped).
    void videoFinished();
    // Video n of m (1-based), and how far its render is.
    void batchProgress(int n, int m, int percent);

private:
    void OnVideoEvent(const vm::VideoEvent& event);
    // Shows one event of the video the window follows; true when it ended
    // that video.
    bool ShowVideoEvent(const vm::VideoEvent& event);
    void ShowProgress();
    void ShowKeywordState(const vm::VideoEvent& event);
    bool Notify(const QString& title, const QString& text);

    BatchViewParts parts_;
    std::unique_ptr<vm::BatchTask> task_;
    int videos_ = 0;        // in the batch
    QString outputName_;    // the name of a video without a keyword
    QString folder_;        // where the videos go
    QString programName_;   // for the title
    int shown_ = 0;         // the video the window follows
    int videoSeconds_ = 0;  // its planned length
    int kept_ = 0;          // already made, left alone
    bool closing_ = false;
    bool ended_ = false;
    QStringList failures_;
    std::map<int, std::vector<vm::VideoEvent>> waiting_;
    QElapsedTimer clock_;
};
