#include "SlideRules.h"

namespace vm {

// The comparison is exact: "A.jpg" and "a.jpg" are different entries.
bool DropAddsSlide(const QString& dropped, const QString& selectedSlide) {
    return DropHoldsText(dropped) && dropped != selectedSlide;
}

bool DropRemovesSlide(const QString& dropped, const QString& selectedBrowserEntry) {
    return DropHoldsText(dropped) && dropped != selectedBrowserEntry;
}

}  // namespace vm
