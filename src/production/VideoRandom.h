#pragma once

#include <QStringList>
#include <cstdint>

// The random choices of one video (which ad copy, the extra seconds, the
// slide order, the transitions) come from a generator of its own, seeded from
// the batch's seed and the keyword's position in the list. So a video does
// not depend on how many videos were made before it or beside it, and a batch
// made again with its seed gives the same videos.
namespace vm {

class VideoRandom {
public:
    VideoRandom(uint64_t batchSeed, int position);
    // Seeded from a name instead (a table row's id or keyword), so the video
    // keeps its choices wherever its row moves in the table.
    VideoRandom(uint64_t batchSeed, const QString& name);

    // A uniform whole number from 0 to n - 1 (0 for n <= 1).
    int Below(int n);
    // The items in random order, in place.
    void Shuffle(QStringList& items);

    // A seed for a batch that was given none.
    static uint64_t FreshSeed();

private:
    uint64_t Next();
    uint64_t state_;
};

}  // namespace vm
