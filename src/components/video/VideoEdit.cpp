#include "VideoEdit.h"

#include <QFile>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "Compressors.h"
#include "MediaLength.h"
#include "RenderEngine.h"
#include "RenderJob.h"

struct VideoEdit::Impl {
    // The project as laid out; a render takes a copy.
    vm::RenderJob project;
    bool compressionEnabled = false;
    int compressorIndex = 0;
    const Compressors* compressors = nullptr;

    std::jthread worker;
    std::atomic<int> lastPercent{-1};

    // Shared with the worker.
    std::mutex mutex;
    std::condition_variable finished;
    bool rendering = false;
    bool lastOk = false;
    QString lastError;
};

VideoEdit::VideoEdit(int index, int width, int height, QObject* parent)
    : QObject(parent), d(std::make_unique<Impl>()), index_(index), width_(width), height_(height) {}

VideoEdit::~VideoEdit() {
    if (d->worker.joinable()) {
        d->worker.request_stop();
        d->worker.join();  // the worker removes its temporary file itself
    }
}

void VideoEdit::NewProject() {
    d->project.images.clear();
    d->project.transitions.clear();
    d->project.voices.clear();
    d->project.music.clear();
}

bool VideoEdit::CompressionEnabled() const {
    return d->compressionEnabled;
}
void VideoEdit::setCompressionEnabled(bool enabled) {
    d->compressionEnabled = enabled;
}
int VideoEdit::CompressorIndex() const {
    return d->compressorIndex;
}
void VideoEdit::setCompressorIndex(int index) {
    d->compressorIndex = index;
}
void VideoEdit::setCompressorList(const Compressors* list) {
    d->compressors = list;
}

bool VideoEdit::AddMusic(const QString& path, double start, double length) {
    if (path.isEmpty() || !(length > 0)) return false;
    d->project.music.push_back({path.toStdString(), start, length});
    return true;
}

bool VideoEdit::AddVoice(const QString& path, double start, double length) {
    if (path.isEmpty() || !(length > 0)) return false;
    d->project.voices.push_back({path.toStdString(), start, length});
    return true;
}

bool VideoEdit::AddImage(const QString& path, double, double duration, int) {
    if (path.isEmpty() || !(duration > 0)) return false;
    d->project.images.push_back({path.toStdString(), duration});
    return true;
}

bool VideoEdit::AddTransition(int type, double from, double to) {
    if (!(to > from)) return false;
    d->project.transitions.push_back({type, from, to});
    return true;
}

bool VideoEdit::StartRender(const QString& outputPath) {
    {
        std::lock_guard lock(d->mutex);
        if (d->rendering) {
            d->lastError = "A render is already running.";
            return false;
        }
        d->rendering = true;
        d->lastOk = false;
        d->lastError.clear();
    }
    if (d->worker.joinable()) d->worker.join();  // the previous render has ended

    vm::RenderJob job = d->project;
    job.width = width_;
    job.height = height_;
    const std::string finalPath = outputPath.toStdString();

    vm::RenderResult setupFailure;
    if (d->compressionEnabled) {
        const Compressors& list = d->compressors ? *d->compressors : Compressors::Instance();
        const CompressorInfo* item = list.Item(d->compressorIndex);
        if (!item) {
            setupFailure = vm::RenderResult::Fail(
                "choosing compressor " + std::to_string(d->compressorIndex), "no such compressor");
        } else {
            job.codec = item->codec.toStdString();
            job.codecName = item->Name.toStdString();
            const CompressorSetting setting = list.Setting(d->compressorIndex);
            job.quality = setting.label.isEmpty() ? -1 : setting.value;
        }
    }

    d->lastPercent = -1;
    d->worker =
        std::jthread([this, job = std::move(job), finalPath, setupFailure](std::stop_token stop) {
            vm::RenderResult result = setupFailure;
            if (result.ok) {
                auto progress = [this](int frame, int total) {
                    const int percent = total > 0 ? int(int64_t(frame) * 100 / total) : 100;
                    if (d->lastPercent.exchange(percent) == percent) return;
                    const double seconds = double(frame) / vm::kFramesPerSecond;
                    QMetaObject::invokeMethod(
                        this,
                        [this, percent, frame, total, seconds] {
                            emit Processing(index_, percent, frame, total, seconds);
                        },
                        Qt::QueuedConnection);
                };
                result = vm::RenderVideoFile(job, finalPath, progress, stop);
            }

            {
                std::lock_guard lock(d->mutex);
                d->rendering = false;
                d->lastOk = result.ok;
                d->lastError = QString::fromStdString(result.Text());
            }
            d->finished.notify_all();
            QMetaObject::invokeMethod(
                this, [this] { emit Complete(index_); }, Qt::QueuedConnection);
        });
    return true;
}

void VideoEdit::Cancel() {
    if (d->worker.joinable()) d->worker.request_stop();
}

bool VideoEdit::WaitForRender(int ms) {
    std::unique_lock lock(d->mutex);
    return d->finished.wait_for(lock, std::chrono::milliseconds(ms), [&] { return !d->rendering; });
}

bool VideoEdit::IsRendering() const {
    std::lock_guard lock(d->mutex);
    return d->rendering;
}

bool VideoEdit::LastRenderOk() const {
    std::lock_guard lock(d->mutex);
    return d->lastOk;
}

QString VideoEdit::LastError() const {
    std::lock_guard lock(d->mutex);
    return d->lastError;
}

double VideoEdit::MediaLength(const QString& path, QString* error) {
    std::string text;
    const double seconds = vm::MediaLengthSeconds(path.toStdString(), &text);
    if (error) *error = QString::fromStdString(text);
    return seconds;
}
