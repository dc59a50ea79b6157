#pragma once

#include <QString>

// What a drop between the browser list and the slide list does. The drag
// carries the text of the source list's selected entry, so comparing the
// dropped text with the target list's own selection tells where it came from.
namespace vm {

// A drop on the slide list adds a slide when it carries text and that text is
// not the slide list's own selected entry (a slide dragged onto its own list
// adds nothing).
bool DropAddsSlide(const QString& dropped, const QString& selectedSlide);

// A drop on the browser list removes the selected slide when it carries text
// and that text is not the browser's own selected entry (a file dragged onto
// its own list removes nothing).
bool DropRemovesSlide(const QString& dropped, const QString& selectedBrowserEntry);

// A drop updates the slide count whenever it carries text.
inline bool DropHoldsText(const QString& dropped) {
    return !dropped.isEmpty();
}

}  // namespace vm
