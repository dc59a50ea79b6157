#pragma once

#include <QObject>
#include <QString>
#include <memory>

class Compressors;

// The video-editing component the window drives: a project of slides,
// transitions and audio tracks on a timeline, rendered to an AVI on a worker
// thread. One instance per output frame size. Complete and Processing arrive
// on the thread that owns the object (the GUI thread).
class VideoEdit : public QObject {
    Q_OBJECT
public:
    VideoEdit(int index, int width, int height, QObject* parent = nullptr);
    ~VideoEdit() override;  // stops a running render and removes its temporary file

    int Index() const { return index_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    // Empties the timeline.
    void NewProject();

    bool CompressionEnabled() const;
    void setCompressionEnabled(bool enabled);
    int CompressorIndex() const;
    void setCompressorIndex(int index);

    // Audio from the file's start for `length` seconds, laid from `start` (0).
    bool AddMusic(const QString& path, double start, double length);
    bool AddVoice(const QString& path, double start, double length);
    // Appends a still picture for `duration` seconds to the picture track.
    bool AddImage(const QString& path, double start, double duration, int flag);
    // A transition of `type` (1..10 are distinct; others fall back to a
    // crossfade) over the stretch from..to seconds of the picture track.
    bool AddTransition(int type, double from, double to);

    // Starts writing `outputPath` (.avi) and returns at once. The file is
    // written under a temporary name beside it and renamed when the render
    // succeeded. Returns false (LastError) when a render is already running.
    bool StartRender(const QString& outputPath);
    // Stops a running render; Complete still arrives, with LastRenderOk false.
    void Cancel();
    // Blocks until the running render (if any) has ended, at most `ms`.
    bool WaitForRender(int ms);
    bool IsRendering() const;

    // The compressor list the index refers to; null (the default) is the
    // process-wide Compressors::Instance(). Tests give a list of their own.
    void setCompressorList(const Compressors* list);

    // Outcome of the last finished render.
    bool LastRenderOk() const;
    QString LastError() const;

    // Playing time of a WAV or MP3 file in seconds from libavformat; -1 and
    // an error text when the file cannot be read.
    static double MediaLength(const QString& path, QString* error = nullptr);

signals:
    void Complete(int index);
    // percent 0..100, frames done, frames in all, seconds rendered
    void Processing(int index, int percent, int frame, int totalFrames, double seconds);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    int index_;
    int width_;
    int height_;
};
