#pragma once

#include <string>

namespace vm {

// Whether an installed outline font of `family` has a glyph for `c`
// (fontconfig's answer; false when no such family is installed).
bool FontHasChar(const std::string& family, char32_t c);

// The font an emoji is drawn in when the caption's `font` lacks it: the first
// of the outline emoji fonts (Symbola, then Unifont Upper for the newer ones)
// that has it; empty for a character that is no emoji, one `font` has, or
// one no such font has. libass draws outline fonts only, and fontconfig's
// own fallback may name a colour bitmap font it cannot draw.
std::string EmojiFont(char32_t c, const std::string& font);

}  // namespace vm
