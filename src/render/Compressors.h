#pragma once

#include <QString>
#include <mutex>
#include <vector>

// The video compressors offered: FFmpeg encoders that the AVI container can
// hold and that open at every one of the five frame sizes, in a fixed order
// (MPEG-4 part 2 first). Each has at most one quality setting; the chosen
// value is used by every later render.
struct CompressorSetting {
    QString label;  // e.g. "Quantiser (1 best - 31 smallest)"; empty: no setting
    int minimum = 0;
    int maximum = 0;
    int value = 0;  // current value
    int defaultValue = 0;
};

struct CompressorInfo {
    QString Name;   // FFmpeg's long name, shown in the list
    QString codec;  // FFmpeg's encoder name, e.g. "mpeg4"
    CompressorSetting setting;
};

class Compressors {
public:
    // The process-wide list; probed once, on first use.
    static Compressors& Instance();
    // A list built from given entries, for tests of the rules that use it.
    explicit Compressors(std::vector<CompressorInfo> items) : items_(std::move(items)) {}

    int Count() const { return static_cast<int>(items_.size()); }
    QString Name(int index) const;
    const CompressorInfo* Item(int index) const;

    // True when the compressor at index has a setting the user can change.
    bool HasSettings(int index) const;
    CompressorSetting Setting(int index) const;
    // Clamped to the setting's range; false when there is no setting.
    bool SetSettingValue(int index, int value);

    // Index of the last compressor whose name contains "microsoft video"
    // (any letter case), else 0.
    int DefaultIndex() const;

    // The encoders offered, in this order, when present and usable.
    static const std::vector<const char*>& Candidates();

private:
    Compressors() = default;
    static std::vector<CompressorInfo> Probe();
    mutable std::mutex mutex_;  // the settings change on the GUI thread, renders read them
    std::vector<CompressorInfo> items_;
};
