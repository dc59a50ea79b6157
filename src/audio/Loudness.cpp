#include "Loudness.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "FfmpegPtr.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/channel_layout.h>
}

namespace vm {
namespace {

constexpr double kFullScale = 32768.0;
// Samples handed to the filters at a time.
constexpr int kChunk = 4096;
// ebur128 reports every 100 ms of what it was given: silence after the end
// lets its last report cover the audio's last blocks. Silence itself is
// below its gate and counts for nothing.
constexpr double kMeasureTailSeconds = 0.5;

struct InOutDeleter {
    void operator()(AVFilterInOut* io) const { avfilter_inout_free(&io); }
};
using InOutPtr = std::unique_ptr<AVFilterInOut, InOutDeleter>;

double Decibels(double linear) {
    return linear > 0 ? 20.0 * std::log10(linear) : -144.0;
}

double MetadataNumber(const AVFrame* frame, const char* key, double fallback) {
    const AVDictionaryEntry* entry = av_dict_get(frame->metadata, key, nullptr, 0);
    if (!entry) return fallback;
    char* end = nullptr;
    const double value = std::strtod(entry->value, &end);
    return end != entry->value && std::isfinite(value) ? value : fallback;
}

// Runs mono samples (full scale 1) through a chain of libavfilter filters.
// `out` (when given) gets what comes out; `measured` (when given) the last
// ebur128 report of the chain.
bool RunFilters(const std::vector<double>& in, int sampleRate, const std::string& chain,
                std::vector<double>* out, Loudness* measured, std::string* error) {
    auto fail = [&](const char* what, int rc) {
        *error = std::string(what) + ": " + av::ErrorText(rc);
        return false;
    };
    av::FilterGraphPtr graph(avfilter_graph_alloc());
    if (!graph) return fail("preparing the sound filters", AVERROR(ENOMEM));
    char args[160];
    std::snprintf(args, sizeof args,
                  "time_base=1/%d:sample_rate=%d:sample_fmt=dbl:channel_layout=mono", sampleRate,
                  sampleRate);
    AVFilterContext* source = nullptr;
    AVFilterContext* sink = nullptr;
    if (int rc = avfilter_graph_create_filter(&source, avfilter_get_by_name("abuffer"), "in", args,
                                              nullptr, graph.get());
        rc < 0)
        return fail("preparing the sound filters", rc);
    if (int rc = avfilter_graph_create_filter(&sink, avfilter_get_by_name("abuffersink"), "out",
                                              nullptr, nullptr, graph.get());
        rc < 0)
        return fail("preparing the sound filters", rc);
    InOutPtr outputs(avfilter_inout_alloc());
    InOutPtr inputs(avfilter_inout_alloc());
    if (!outputs || !inputs) return fail("preparing the sound filters", AVERROR(ENOMEM));
    outputs->name = av_strdup("in");
    outputs->filter_ctx = source;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = sink;
    // The chain ends in the format it was given, so what comes out reads the same way.
    const std::string description = chain + ",aformat=sample_fmts=dbl:channel_layouts=mono";
    {
        AVFilterInOut* in_ = inputs.release();
        AVFilterInOut* out_ = outputs.release();
        const int rc =
            avfilter_graph_parse_ptr(graph.get(), description.c_str(), &in_, &out_, nullptr);
        inputs.reset(in_);
        outputs.reset(out_);
        if (rc < 0) return fail(("setting up the sound filters " + chain).c_str(), rc);
    }
    if (int rc = avfilter_graph_config(graph.get(), nullptr); rc < 0)
        return fail(("setting up the sound filters " + chain).c_str(), rc);

    if (out) out->clear();
    av::FramePtr frame = av::MakeFrame();
    if (!frame) return fail("filtering sound", AVERROR(ENOMEM));
    // Takes what the chain has ready; AVERROR_EOF once it has given everything.
    auto drain = [&]() -> int {
        for (;;) {
            const int rc = av_buffersink_get_frame(sink, frame.get());
            if (rc == AVERROR(EAGAIN)) return 0;
            if (rc < 0) return rc;
            if (out) {
                const auto* data = reinterpret_cast<const double*>(frame->data[0]);
                out->insert(out->end(), data, data + frame->nb_samples);
            }
            if (measured) {
                measured->integrated =
                    MetadataNumber(frame.get(), "lavfi.r128.I", measured->integrated);
                const double peak = MetadataNumber(frame.get(), "lavfi.r128.true_peak", -1.0);
                if (peak >= 0) measured->truePeak = Decibels(peak);
            }
            av_frame_unref(frame.get());
        }
    };
    int64_t pts = 0;
    for (size_t at = 0; at < in.size();) {
        const int count = int(std::min<size_t>(kChunk, in.size() - at));
        av::FramePtr chunk = av::MakeFrame();
        if (!chunk) return fail("filtering sound", AVERROR(ENOMEM));
        chunk->format = AV_SAMPLE_FMT_DBL;
        chunk->sample_rate = sampleRate;
        chunk->nb_samples = count;
        chunk->pts = pts;
        const AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
        if (int rc = av_channel_layout_copy(&chunk->ch_layout, &mono); rc < 0)
            return fail("filtering sound", rc);
        if (int rc = av_frame_get_buffer(chunk.get(), 0); rc < 0)
            return fail("filtering sound", rc);
        std::memcpy(chunk->data[0], in.data() + at, size_t(count) * sizeof(double));
        if (int rc = av_buffersrc_add_frame(source, chunk.get()); rc < 0)
            return fail("filtering sound", rc);
        if (int rc = drain(); rc < 0) return fail("filtering sound", rc);
        at += size_t(count);
        pts += count;
    }
    if (int rc = av_buffersrc_add_frame(source, nullptr); rc < 0)
        return fail("filtering sound", rc);
    if (int rc = drain(); rc != AVERROR_EOF)
        return fail("filtering sound", rc < 0 ? rc : AVERROR_BUG);
    return true;
}

std::vector<double> Scaled(const std::vector<int16_t>& samples, double gain) {
    std::vector<double> out(samples.size());
    for (size_t i = 0; i < samples.size(); ++i) out[i] = samples[i] * gain / kFullScale;
    return out;
}

std::vector<int16_t> Quantized(const std::vector<double>& samples) {
    std::vector<int16_t> out(samples.size());
    for (size_t i = 0; i < samples.size(); ++i)
        out[i] = int16_t(std::clamp(std::lround(samples[i] * kFullScale), -32768L, 32767L));
    return out;
}

}  // namespace

bool MeasureLoudness(const std::vector<int16_t>& samples, int sampleRate, MonoAs mono,
                     Loudness* result, std::string* error) {
    if (sampleRate <= 0) {
        *error = "measuring loudness: no sample rate";
        return false;
    }
    std::vector<double> in = Scaled(samples, 1.0);
    in.resize(in.size() + size_t(kMeasureTailSeconds * sampleRate), 0.0);
    *result = Loudness{};
    return RunFilters(in, sampleRate,
                      std::string("ebur128=peak=true:metadata=1") +
                          (mono == MonoAs::BothSides ? ":dualmono=true" : ""),
                      nullptr, result, error);
}

bool EvenLoudness(std::vector<int16_t>* samples, int sampleRate, MonoAs mono, double targetLufs,
                  double ceilingDbtp, Loudness* before, Loudness* after, std::string* error) {
    // Close enough to the target: a listener hears no difference below 0.5 LU.
    constexpr double kLoudnessTolerance = 0.2;
    // The limiter holds the samples this far under the ceiling: between the
    // samples a wave rises a little higher than on them.
    constexpr double kSampleHeadroomDb = 0.5;
    constexpr int kRounds = 4;

    Loudness original;
    if (!MeasureLoudness(*samples, sampleRate, mono, &original, error)) return false;
    if (before) *before = original;
    if (original.integrated <= -70.0 + 1e-9) {
        if (after) *after = original;
        return true;
    }
    double gainDb = targetLufs - original.integrated;
    double limitDb = ceilingDbtp - kSampleHeadroomDb;
    std::vector<int16_t> result;
    Loudness now;
    for (int round = 0; round < kRounds; ++round) {
        std::vector<double> shaped = Scaled(*samples, std::pow(10.0, gainDb / 20.0));
        if (original.truePeak + gainDb > ceilingDbtp) {
            // alimiter's own loudness levelling (level) stays off; its look-ahead
            // delay is taken back out (latency), so nothing moves in time.
            char chain[160];
            std::snprintf(chain, sizeof chain,
                          "alimiter=limit=%.6f:attack=5:release=50:level=0:latency=1",
                          std::clamp(std::pow(10.0, limitDb / 20.0), 0.0625, 1.0));
            std::vector<double> limited;
            if (!RunFilters(shaped, sampleRate, chain, &limited, nullptr, error)) return false;
            limited.resize(shaped.size(), 0.0);
            shaped = std::move(limited);
        }
        result = Quantized(shaped);
        if (!MeasureLoudness(result, sampleRate, mono, &now, error)) return false;
        const bool peakOk = now.truePeak <= ceilingDbtp;
        const bool levelOk = std::abs(now.integrated - targetLufs) <= kLoudnessTolerance;
        if (peakOk && levelOk) break;
        if (!peakOk) limitDb -= now.truePeak - ceilingDbtp + 0.1;
        if (!levelOk) gainDb += targetLufs - now.integrated;
    }
    if (now.truePeak > ceilingDbtp) {
        // Whatever the rounds gave, the ceiling holds: a plain step down.
        const double down = std::pow(10.0, (ceilingDbtp - now.truePeak - 0.05) / 20.0);
        for (int16_t& s : result) s = int16_t(std::lround(s * down));
        if (!MeasureLoudness(result, sampleRate, mono, &now, error)) return false;
    }
    *samples = std::move(result);
    if (after) *after = now;
    return true;
}

}  // namespace vm
