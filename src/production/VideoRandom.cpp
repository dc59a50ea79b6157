#include "VideoRandom.h"

#include <QRandomGenerator>

namespace vm {

// SplitMix64: tiny, fast, and the same numbers on every machine and library,
// which the standard distributions do not promise.
VideoRandom::VideoRandom(uint64_t batchSeed, int position)
    : state_(batchSeed ^ (0x9E3779B97F4A7C15ull * (uint64_t(position) + 1))) {
    Next();
}

VideoRandom::VideoRandom(uint64_t batchSeed, const QString& name) {
    // FNV-1a over the name's UTF-8: the same stream on every machine.
    uint64_t h = 0xCBF29CE484222325ull;
    for (const char c : name.toUtf8()) h = (h ^ uint8_t(c)) * 0x100000001B3ull;
    state_ = batchSeed ^ h;
    Next();
}

uint64_t VideoRandom::Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int VideoRandom::Below(int n) {
    if (n <= 1) return 0;
    // Rejection keeps every value equally likely.
    const uint64_t bound = uint64_t(n);
    const uint64_t limit = UINT64_MAX - UINT64_MAX % bound;
    uint64_t value = Next();
    while (value >= limit) value = Next();
    return int(value % bound);
}

void VideoRandom::Shuffle(QStringList& items) {
    for (qsizetype i = items.size() - 1; i > 0; --i) items.swapItemsAt(i, Below(int(i + 1)));
}

uint64_t VideoRandom::FreshSeed() {
    // Short enough to type back in.
    return QRandomGenerator::system()->bounded(1000000000u);
}

}  // namespace vm
