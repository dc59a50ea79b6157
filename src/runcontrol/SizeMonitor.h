#pragma once

#include <QString>

// The file-growth monitor: a file being written by another program counts as
// finished when two successive size readings agree. Readings are decimal
// text: the size as a signed 32-bit number, "-1" for a missing file and "0"
// for an empty path (a "0" reading is no reading and is ignored).
namespace vm {

QString GetFileSizeText(const QString& path);

enum class MonitorDecision {
    Ignored,  // the reading was "0"
    First,    // nothing to compare with yet
    Growing,  // differs from the previous reading
    Settled,  // equals the previous reading: the file is finished
};

// One tick: compares `reading` with `oldSize` (the previous reading, kept
// across watches, so the first reading of a new file is compared with the
// last reading of the file watched before it) and updates both texts.
MonitorDecision MonitorTick(const QString& reading, QString& oldSize, QString& currentSize);

// One countdown tick: counts `countdown` down to 0; returns true when the
// status line is to show "Finishing Video..." (countdown already 0).
bool CountdownTick(int16_t& countdown);

}  // namespace vm
