#include "Compressors.h"

#include "FfmpegPtr.h"
#include "VideoWriter.h"

namespace {

const int kSizes[][2] = {{1920, 1080}, {1280, 720}, {854, 480}, {640, 360}, {426, 240}};

CompressorSetting SettingFor(const std::string& codec) {
    if (codec == "libx264") return {"CRF (0 best - 51 smallest)", 0, 51, 23, 23};
    if (codec == "mpeg4" || codec == "libxvid" || codec == "msmpeg4" || codec == "msmpeg4v2" ||
        codec == "wmv2" || codec == "mjpeg")
        return {"Quantiser (1 best - 31 smallest)", 1, 31, 4, 4};
    return {};  // lossless: nothing to choose
}

bool IsHardwareWrapper(const AVCodec* codec) {
    if (codec->capabilities & AV_CODEC_CAP_HARDWARE) return true;
    const std::string name = codec->name;
    for (const char* tag : {"_nvenc", "_qsv", "_vaapi", "_v4l2m2m", "_omx", "_amf", "_mf",
                            "_videotoolbox", "_vulkan", "_cuvid"})
        if (name.find(tag) != std::string::npos) return true;
    return false;
}

}  // namespace

const std::vector<const char*>& Compressors::Candidates() {
    // Fast, widely played ones first; lossless ones after; xvid last (slow).
    static const std::vector<const char*> names = {"mpeg4",   "libx264", "msmpeg4", "msmpeg4v2",
                                                   "wmv2",    "mjpeg",   "ffv1",    "huffyuv",
                                                   "ffvhuff", "utvideo", "libxvid"};
    return names;
}

std::vector<CompressorInfo> Compressors::Probe() {
    // Opening every candidate at five sizes makes some encoders chat about
    // their settings; none of that is news to anyone.
    const int logLevel = av_log_get_level();
    av_log_set_level(AV_LOG_ERROR);
    std::vector<CompressorInfo> items;
    const AVOutputFormat* avi = av_guess_format("avi", nullptr, nullptr);
    for (const char* name : Candidates()) {
        const AVCodec* codec = avcodec_find_encoder_by_name(name);
        if (!codec || !avi || IsHardwareWrapper(codec)) continue;
        // Only codecs with an official AVI tag.
        if (avformat_query_codec(avi, codec->id, FF_COMPLIANCE_NORMAL) != 1) continue;
        bool opens = true;
        for (const auto& size : kSizes)
            if (!vm::VideoWriter::CanOpen(codec, size[0], size[1], nullptr)) {
                opens = false;
                break;
            }
        if (!opens) continue;
        items.push_back(
            CompressorInfo{QString::fromUtf8(codec->long_name ? codec->long_name : name),
                           QString::fromUtf8(name), SettingFor(name)});
    }
    av_log_set_level(logLevel);
    return items;
}

Compressors& Compressors::Instance() {
    static Compressors list(Probe());
    return list;
}

QString Compressors::Name(int index) const {
    return Item(index) ? Item(index)->Name : QString();
}

const CompressorInfo* Compressors::Item(int index) const {
    return index >= 0 && index < Count() ? &items_[index] : nullptr;
}

bool Compressors::HasSettings(int index) const {
    return Item(index) && !Item(index)->setting.label.isEmpty();
}

CompressorSetting Compressors::Setting(int index) const {
    std::lock_guard lock(mutex_);
    return Item(index) ? Item(index)->setting : CompressorSetting{};
}

bool Compressors::SetSettingValue(int index, int value) {
    if (!HasSettings(index)) return false;
    std::lock_guard lock(mutex_);
    CompressorSetting& setting = items_[index].setting;
    setting.value = std::clamp(value, setting.minimum, setting.maximum);
    return true;
}

int Compressors::DefaultIndex() const {
    int result = 0;
    for (int i = 0; i < Count(); ++i)
        if (items_[i].Name.toLower().contains("microsoft video")) result = i;
    return result;
}
