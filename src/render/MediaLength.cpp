#include "MediaLength.h"

#include "FfmpegPtr.h"

namespace vm {

double MediaLengthSeconds(const std::string& path, std::string* error) {
    auto fail = [&](int rc) {
        if (error) *error = "reading " + path + ": " + av::ErrorText(rc);
        return -1.0;
    };
    AVFormatContext* raw = nullptr;
    if (int rc = avformat_open_input(&raw, path.c_str(), nullptr, nullptr); rc < 0) return fail(rc);
    av::InputPtr input(raw);
    if (int rc = avformat_find_stream_info(raw, nullptr); rc < 0) return fail(rc);
    if (raw->duration != AV_NOPTS_VALUE && raw->duration > 0)
        return double(raw->duration) / AV_TIME_BASE;
    // Some files only know it per stream.
    double longest = -1;
    for (unsigned i = 0; i < raw->nb_streams; ++i) {
        const AVStream* s = raw->streams[i];
        if (s->duration != AV_NOPTS_VALUE && s->duration > 0)
            longest = std::max(longest, s->duration * av_q2d(s->time_base));
    }
    if (longest < 0) return fail(AVERROR_INVALIDDATA);
    return longest;
}

}  // namespace vm
