#include "RenderEngine.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "AudioMix.h"
#include "CaptionRenderer.h"
#include "ClipSource.h"
#include "FfmpegPtr.h"
#include "ImageLoader.h"
#include "IntroClip.h"
#include "LogoOverlay.h"
#include "MotionPath.h"
#include "RenderTimeline.h"
#include "Transition.h"
#include "VideoWriter.h"
#include "WindowResampler.h"

extern "C" {
#include <libavutil/imgutils.h>
}

namespace vm {

namespace {

const char* const kCancelled = "cancelled";

// Composed frames on their way to the encoder thread. Small, so a fast
// composer never piles up pictures in memory.
class FrameQueue {
public:
    struct Item {
        av::FramePtr frame;
        int index = 0;
        bool keyframe = false;
    };

    // False when the consumer has given up or a stop was asked for.
    bool Push(Item item, std::stop_token stop) {
        std::unique_lock lock(mutex_);
        if (!changed_.wait(lock, stop, [&] { return items_.size() < kCapacity || abandoned_; }))
            return false;
        if (abandoned_) return false;
        items_.push_back(std::move(item));
        changed_.notify_all();
        return true;
    }
    // False at the end of the stream.
    bool Pop(Item* item, std::stop_token stop) {
        std::unique_lock lock(mutex_);
        if (!changed_.wait(lock, stop, [&] { return !items_.empty() || closed_; })) return false;
        if (items_.empty()) return false;
        *item = std::move(items_.front());
        items_.pop_front();
        changed_.notify_all();
        return true;
    }
    void Close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        changed_.notify_all();
    }
    void Abandon() {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
        items_.clear();
        changed_.notify_all();
    }

private:
    static constexpr size_t kCapacity = 4;
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::deque<Item> items_;
    bool closed_ = false;
    bool abandoned_ = false;
};

// Turns canvas pictures into the encoder's pixel format, for the encoders
// that take no planar YUV (raw BGR) or another subsampling.
class Converter {
public:
    bool Open(const CanvasFormat& canvas, AVPixelFormat format, bool fullRange,
              RenderResult* result) {
        canvas_ = canvas;
        format_ = format;
        if (format == canvas.format && fullRange == canvas.fullRange) return true;  // as it is
        scaler_ = MakeScaler(canvas.width, canvas.height, canvas.format, canvas.fullRange,
                             canvas.width, canvas.height, format, fullRange, SWS_BILINEAR);
        if (!scaler_) {
            *result = RenderResult::Fail("converting pictures", av::ErrorText(AVERROR(EINVAL)));
            return false;
        }
        return true;
    }
    // The picture for the encoder: the canvas itself (a new reference) when
    // the formats agree.
    av::FramePtr Convert(const AVFrame* canvas, RenderResult* result) {
        auto fail = [&](int rc) {
            *result = RenderResult::Fail("converting pictures", av::ErrorText(rc));
            return nullptr;
        };
        if (!scaler_) {
            av::FramePtr same = av::CloneFrame(canvas);
            return same ? std::move(same) : fail(AVERROR(ENOMEM));
        }
        av::FramePtr frame = av::MakeFrame();
        if (!frame) return fail(AVERROR(ENOMEM));
        frame->format = format_;
        frame->width = canvas_.width;
        frame->height = canvas_.height;
        if (int rc = av_frame_get_buffer(frame.get(), 0); rc < 0) return fail(rc);
        if (int rc = sws_scale(scaler_.get(), canvas->data, canvas->linesize, 0, canvas_.height,
                               frame->data, frame->linesize);
            rc < 0)
            return fail(rc);
        return frame;
    }

private:
    av::SwsPtr scaler_;
    CanvasFormat canvas_;
    AVPixelFormat format_ = AV_PIX_FMT_NONE;
};

// Canvas frames for moving pictures, every one of them new, from a pool of
// buffers: the encoder hands each buffer back when it is done with it, so a
// render touches a few frames' worth of memory instead of fresh pages for
// every frame.
class CanvasPool {
public:
    ~CanvasPool() { av_buffer_pool_uninit(&pool_); }  // buffers still out are freed when returned

    bool Open(const CanvasFormat& canvas) {
        canvas_ = canvas;
        const int size = av_image_get_buffer_size(canvas.format, canvas.width, canvas.height, 64);
        if (size > 0) pool_ = av_buffer_pool_init(size_t(size) + 64, nullptr);
        return pool_ != nullptr;
    }
    av::FramePtr Get() {
        av::FramePtr frame = av::MakeFrame();
        if (!frame) return nullptr;
        frame->buf[0] = av_buffer_pool_get(pool_);
        if (!frame->buf[0]) return nullptr;
        frame->format = canvas_.format;
        frame->width = canvas_.width;
        frame->height = canvas_.height;
        frame->color_range = canvas_.fullRange ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
        if (av_image_fill_arrays(frame->data, frame->linesize, frame->buf[0]->data, canvas_.format,
                                 canvas_.width, canvas_.height, 64) < 0)
            return nullptr;
        return frame;
    }

private:
    AVBufferPool* pool_ = nullptr;
    CanvasFormat canvas_;
};

// Planar YUV encoders get their own format as the canvas; the others get
// 4:2:0, converted per encoded frame.
CanvasFormat ChooseCanvas(int width, int height, AVPixelFormat encoderFormat, bool fullRange,
                          bool bt709) {
    CanvasFormat canvas{width, height, AV_PIX_FMT_YUV420P, false, bt709};
    if (encoderFormat == AV_PIX_FMT_YUV420P || encoderFormat == AV_PIX_FMT_YUV422P ||
        encoderFormat == AV_PIX_FMT_YUV444P) {
        canvas.format = encoderFormat;
        canvas.fullRange = fullRange;
    }
    return canvas;
}

// The job's sound for the mix: the voices and music after the intro, the
// intro's and outro's own sound at theirs (mixed like music that does not
// step back for the voices).
RenderJob MixedSound(const RenderJob& job, int mainFrames) {
    RenderJob mix;
    const double shift = double(job.intro.frames) / kFramesPerSecond;
    mix.voices = job.voices;
    mix.music = job.music;
    for (auto* track : {&mix.voices, &mix.music})
        for (RenderJob::Audio& audio : *track) audio.start += shift;
    if (job.intro.sound) mix.music.push_back(RenderJob::Audio{job.intro.path, 0, shift});
    if (job.outro.sound)
        mix.music.push_back(RenderJob::Audio{
            job.outro.path, double(job.intro.frames + mainFrames) / kFramesPerSecond,
            double(job.outro.frames) / kFramesPerSecond});
    return mix;
}

// The encoder thread's side: takes frames off the queue, encodes and muxes.
RenderResult EncodeLoop(VideoWriter& writer, FrameQueue& queue, int totalFrames,
                        const RenderProgress& progress, std::stop_token stop) {
    RenderResult result;
    FrameQueue::Item item;
    while (queue.Pop(&item, stop)) {
        if (!writer.WriteVideo(item.frame.get(), item.index, item.keyframe, &result)) return result;
        item.frame.reset();
        if (progress) progress(item.index + 1, totalFrames);
    }
    if (stop.stop_requested()) return RenderResult::Fail("rendering", kCancelled);
    return result;
}

}  // namespace

RenderResult RenderVideo(RenderJob job, const RenderProgress& progress, std::stop_token stop) {
    if (job.width <= 0 || job.height <= 0) return RenderResult::Fail("rendering", "no frame size");
    const FramePlan plan = MakeFramePlan(job);
    if (plan.totalFrames <= 0 || plan.segments.empty())
        return RenderResult::Fail("rendering", "nothing on the timeline");

    // The intro and outro stand before and after the slides' timeline.
    if (job.intro.path.empty()) job.intro.frames = 0;
    if (job.outro.path.empty()) job.outro.frames = 0;
    const int introFrames = job.intro.frames;
    const int totalFrames = introFrames + plan.totalFrames + job.outro.frames;

    RenderResult result;
    AudioMix audio;
    const bool mp4 = job.container == "mp4";
    const bool bookends = introFrames > 0 || job.outro.frames > 0;
    if (!audio.Open(bookends ? MixedSound(job, plan.totalFrames) : job, &result,
                    mp4 ? kMp4AudioRate : kAudioRate))
        return result;
    VideoWriter writer;
    // Moving pictures are encoded on every frame: the encoder takes both
    // cores then (still ones leave it most of the time).
    const bool moves = std::any_of(plan.shots.begin(), plan.shots.end(),
                                   [](const PlanShot& shot) { return shot.Moving(); });
    const bool clips =
        (introFrames > 0 && !job.intro.picture) || (job.outro.frames > 0 && !job.outro.picture);
    if (!writer.Open(job, totalFrames, &audio, &result, moves || clips ? 2 : 1)) return result;
    const CanvasFormat canvas = ChooseCanvas(job.width, job.height, writer.PixelFormat(),
                                             writer.FullRange(), writer.Bt709());
    Converter converter;
    if (!converter.Open(canvas, writer.PixelFormat(), writer.FullRange(), &result)) return result;
    const PictureFit fit = PictureFitNamed(job.fit);
    LogoOverlay logo;
    if (!logo.Open(job.logo, canvas, &result)) return result;
    CaptionRenderer captions;
    const bool captioned = !job.captions.empty();
    if (captioned && !captions.OpenCaptions(job.captions, job.width, job.height, job.highlightWords,
                                            job.captionLook, &result, logo.FootRows()))
        return result;
    std::vector<int> captionFrames;  // where the burned captions change
    for (double t : captions.Changes()) {
        // The first frame drawn after the change: libass shows a caption from
        // its start up to (not including) its end, in whole milliseconds.
        // (AVI keeps the nearest frame, which can be one early, so its files
        // stay as they were.)
        const int64_t ms = std::llround(t * 1000);
        captionFrames.push_back(mp4 ? int((ms * kFramesPerSecond + 999) / 1000)
                                    : SecondsToFrames(t));
    }
    // A still is sent once (and again where its captions change); the
    // writer fills the frames between. AVI's repeat chunks have a limit.
    const int stillGap = mp4 ? plan.totalFrames : kLongestStillGap;
    // The picture for the encoder, with the logo and the captions of its
    // time (frame `index` of the slides' timeline) drawn in; no captions on
    // an intro or outro (`index` -1).
    // Frames to draw on and moving pictures, their memory used again.
    CanvasPool pool;
    if (!pool.Open(canvas)) return RenderResult::Fail("rendering", av::ErrorText(AVERROR(ENOMEM)));
    auto finish = [&](const AVFrame* picture, int index) -> av::FramePtr {
        const bool drawn = captioned && index >= 0;
        if (!drawn && logo.Empty()) return converter.Convert(picture, &result);
        // A copy to draw on: the picture itself may be shown again.
        av::FramePtr scratch = pool.Get();
        const int rc = !scratch ? AVERROR(ENOMEM) : av_frame_copy(scratch.get(), picture);
        if (rc < 0 || av_frame_copy_props(scratch.get(), picture) < 0) {
            result = RenderResult::Fail("drawing onto pictures", av::ErrorText(rc));
            return nullptr;
        }
        logo.Draw(scratch.get());
        if (drawn &&
            !captions.Draw(scratch.get(), double(index) / kFramesPerSecond, canvas.bt709, &result)) {
            if (result.ok) result = RenderResult::Fail("drawing captions", "out of memory");
            return nullptr;
        }
        return converter.Convert(scratch.get(), &result);
    };

    FrameQueue queue;
    RenderResult encoded;
    {
        std::jthread encoder([&](std::stop_token encoderStop) {
            encoded = EncodeLoop(writer, queue, totalFrames, progress, encoderStop);
            if (!encoded.ok) queue.Abandon();
        });
        // Compose on this thread; the encoder thread stops with us.
        std::stop_callback forward(stop, [&] { encoder.request_stop(); });

        std::vector<av::FramePtr> pictures(plan.pictures.size());
        av::FramePtr black;
        auto picture = [&](int index) -> const AVFrame* {
            if (index < 0) {
                if (!black) black = MakeBlackCanvas(canvas, &result);
                return black.get();
            }
            if (!pictures[index])
                pictures[index] = LoadPicture(plan.pictures[index], canvas, &result, fit);
            return pictures[index].get();
        };
        // Moving pictures: each shot's working picture, made once, and a
        // frame resampled from it for every frame it is on screen.
        std::vector<av::FramePtr> working(plan.shots.size());
        // Clips: each decoder open only while its shot is on screen.
        std::vector<std::unique_ptr<ClipSource>> clips(plan.shots.size());
        std::vector<size_t> shotEnds(plan.shots.size(), 0);  // last segment of each shot
        for (size_t s = 0; s < plan.segments.size(); ++s)
            for (int shot : {plan.segments[s].shot, plan.segments[s].fromShot})
                if (shot >= 0) shotEnds[size_t(shot)] = s;
        std::unique_ptr<WindowResampler> resampler;
        if (moves) resampler = std::make_unique<WindowResampler>(2);
        // The picture of `shot` (-1: black) at frame `index`: a new reference.
        auto shotFrame = [&](int shot, int index) -> av::FramePtr {
            const PlanShot* s = shot >= 0 ? &plan.shots[size_t(shot)] : nullptr;
            if (!s || !s->Moving()) {
                const AVFrame* still = picture(s ? s->picture : -1);
                if (!still) return nullptr;
                av::FramePtr copy = av::CloneFrame(still);
                if (!copy) result = RenderResult::Fail("rendering", av::ErrorText(AVERROR(ENOMEM)));
                return copy;
            }
            if (s->clip) {
                std::unique_ptr<ClipSource>& clip = clips[size_t(shot)];
                if (!clip)
                    clip = ClipSource::Open(plan.pictures[size_t(s->picture)], canvas, fit,
                                            job.clipLoop, &result);
                return clip ? clip->FrameAt(index - s->firstFrame, &result) : nullptr;
            }
            if (!working[size_t(shot)]) {
                CanvasFormat large = canvas;
                WorkingSize(canvas.width, canvas.height, s->strength, &large.width, &large.height);
                working[size_t(shot)] =
                    LoadPicture(plan.pictures[size_t(s->picture)], large, &result, fit);
                if (!working[size_t(shot)]) return nullptr;
            }
            av::FramePtr frame = pool.Get();
            if (!frame) {
                result = RenderResult::Fail("rendering", av::ErrorText(AVERROR(ENOMEM)));
                return nullptr;
            }
            resampler->Draw(working[size_t(shot)].get(),
                            MotionWindowAt(s->motion, s->strength, s->Progress(index)),
                            frame.get());
            return frame;
        };
        // `index` on the slides' timeline, which starts after the intro.
        auto send = [&](av::FramePtr frame, int index, bool keyframe) {
            if (stop.stop_requested()) {
                result = RenderResult::Fail("rendering", kCancelled);
                return false;
            }
            if (!queue.Push({std::move(frame), introFrames + index, keyframe}, stop)) {
                if (result.ok) result = RenderResult::Fail("rendering", kCancelled);
                return false;
            }
            return true;
        };

        // An intro or outro from frame `first` of the slides' timeline (the
        // intro's are negative): every frame of a video, a picture once (and
        // again as the AVI's last frame).
        auto sendBookend = [&](const RenderJob::Bookend& bookend, int first, const char* role) {
            IntroClip clip;
            if (bookend.frames <= 0 || !clip.Open(bookend, canvas, fit, role, &result))
                return result.ok;
            for (int k = 0; k < bookend.frames && result.ok; ++k) {
                const bool last = k + 1 == bookend.frames;
                if (bookend.picture && k > 0 &&
                    !(last && !mp4 && introFrames + first + k + 1 == totalFrames))
                    continue;
                av::FramePtr shown = clip.Next(&result);
                av::FramePtr frame = shown ? finish(shown.get(), -1) : nullptr;
                if (!frame || !send(std::move(frame), first + k, k == 0)) break;
            }
            return result.ok;
        };
        sendBookend(job.intro, -introFrames, "intro");

        for (size_t s = 0; s < plan.segments.size() && result.ok; ++s) {
            const PlanSegment& segment = plan.segments[s];
            const bool lastSegment = s + 1 == plan.segments.size();
            if (segment.kind == PlanSegment::Kind::Still && plan.Moving(segment)) {
                // Every frame is a new picture.
                for (int k = 0; k < segment.frameCount && result.ok; ++k) {
                    const int index = segment.firstFrame + k;
                    av::FramePtr moved = shotFrame(segment.shot, index);
                    av::FramePtr frame = moved ? finish(moved.get(), index) : nullptr;
                    if (!frame || !send(std::move(frame), index, k == 0 && segment.keyframe)) break;
                }
            } else if (segment.kind == PlanSegment::Kind::Still) {
                const AVFrame* canvas = picture(segment.picture);
                if (!canvas) break;
                std::vector<int> at{segment.firstFrame};
                const int end = segment.firstFrame + segment.frameCount;
                for (int f = segment.firstFrame + stillGap; f < end; f += stillGap) at.push_back(f);
                // AVI players stop at the last real chunk: show the picture once more at the end.
                if (!mp4 && lastSegment && job.outro.frames == 0 && segment.frameCount > 1 &&
                    at.back() != plan.totalFrames - 1)
                    at.push_back(plan.totalFrames - 1);
                // And again wherever the captions change.
                for (int f : captionFrames)
                    if (f > segment.firstFrame && f < end) at.push_back(f);
                std::sort(at.begin(), at.end());
                at.erase(std::unique(at.begin(), at.end()), at.end());
                av::FramePtr frame =
                    captioned ? av::FramePtr() : finish(canvas, segment.firstFrame);
                if (!captioned && !frame) break;
                for (size_t i = 0; i < at.size() && result.ok; ++i) {
                    // Without captions every send is the same picture.
                    av::FramePtr copy = captioned            ? finish(canvas, at[i])
                                        : i + 1 == at.size() ? std::move(frame)
                                                             : av::CloneFrame(frame.get());
                    if (!copy) {
                        if (result.ok)
                            result =
                                RenderResult::Fail("rendering", av::ErrorText(AVERROR(ENOMEM)));
                        break;
                    }
                    if (!send(std::move(copy), at[i], i == 0 && segment.keyframe)) break;
                }
                if (!result.ok) break;
            } else {
                Transition blend;
                for (int k = 0; k < segment.frameCount && result.ok; ++k) {
                    const int index = segment.firstFrame + k;
                    av::FramePtr from = shotFrame(segment.fromShot, index);
                    av::FramePtr to = from ? shotFrame(segment.shot, index) : nullptr;
                    if (!to) break;
                    if (k == 0 && !blend.Open(from.get(), segment.transitionType,
                                              segment.frameCount, &result))
                        break;
                    av::FramePtr mixed = blend.Next(from.get(), to.get(), &result);
                    if (!mixed) break;
                    av::FramePtr frame = finish(mixed.get(), index);
                    if (!frame || !send(std::move(frame), index, k == 0 && s == 0)) break;
                }
            }
            // Pictures no later segment shows are let go.
            for (size_t p = 0; p < pictures.size(); ++p)
                if (plan.lastUse[p] <= int(s)) pictures[p].reset();
            for (size_t shot = 0; shot < working.size(); ++shot)
                if (shotEnds[shot] <= s) {
                    working[shot].reset();
                    clips[shot].reset();
                }
        }
        if (result.ok) sendBookend(job.outro, plan.totalFrames, "outro");
        queue.Close();
        encoder.join();  // not the destructor: that would ask it to stop first
    }

    if (!encoded.ok) return encoded;  // the encoder's error is the cause
    if (!result.ok) return result;
    if (stop.stop_requested()) return RenderResult::Fail("rendering", kCancelled);
    if (!writer.Finish(&result)) return result;
    if (progress) progress(totalFrames, totalFrames);
    return result;
}

RenderResult RenderVideoFile(RenderJob job, const std::string& finalPath,
                             const RenderProgress& progress, std::stop_token stop) {
    const std::string partPath = UnfinishedPath(finalPath);
    job.outputPath = partPath;
    RenderResult result = RenderVideo(std::move(job), progress, stop);
    std::error_code ec;
    if (result.ok) {
        std::filesystem::rename(partPath, finalPath, ec);
        if (ec) result = RenderResult::Fail("renaming " + partPath, ec.message());
    }
    if (!result.ok) std::filesystem::remove(partPath, ec);
    return result;
}

std::string UnfinishedPath(const std::string& finalPath) {
    return finalPath + "." + std::to_string(getpid()) + ".part";
}

void RemoveUnfinishedFiles(const std::string& finalPath) {
    namespace fs = std::filesystem;
    const fs::path final(finalPath);
    const std::string name = final.filename().string();
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(final.parent_path(), ec)) {
        const std::string file = entry.path().filename().string();
        // "<name>.part" (older runs) and "<name>.<process id>.part".
        const std::string prefix = name + ".";
        const std::string suffix = ".part";
        bool unfinished = file == name + suffix;
        if (!unfinished && file.size() > prefix.size() + suffix.size() &&
            file.compare(0, prefix.size(), prefix) == 0 &&
            file.compare(file.size() - suffix.size(), suffix.size(), suffix) == 0) {
            const std::string middle =
                file.substr(prefix.size(), file.size() - prefix.size() - suffix.size());
            unfinished = middle.find_first_not_of("0123456789") == std::string::npos;
        }
        if (unfinished) fs::remove(entry.path(), ec);
    }
}

}  // namespace vm
