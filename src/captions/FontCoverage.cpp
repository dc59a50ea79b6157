#include "FontCoverage.h"

#include <fontconfig/fontconfig.h>

#include <map>
#include <memory>
#include <mutex>

namespace vm {
namespace {

struct CharSetFree {
    void operator()(FcCharSet* set) const { FcCharSetDestroy(set); }
};
using CharSetPtr = std::unique_ptr<FcCharSet, CharSetFree>;

// The characters of every outline face of `family`, or null when none is
// installed.
CharSetPtr ReadCharSet(const std::string& family) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
    FcObjectSet* objects = FcObjectSetBuild(FC_CHARSET, nullptr);
    FcFontSet* fonts = FcFontList(nullptr, pattern, objects);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    CharSetPtr all;
    for (int i = 0; fonts && i < fonts->nfont; ++i) {
        FcCharSet* chars = nullptr;
        if (FcPatternGetCharSet(fonts->fonts[i], FC_CHARSET, 0, &chars) != FcResultMatch) continue;
        if (!all)
            all.reset(FcCharSetCopy(chars));
        else
            all.reset(FcCharSetUnion(all.get(), chars));
    }
    if (fonts) FcFontSetDestroy(fonts);
    return all;
}

// Symbols and pictographs that a text font rarely has.
bool IsEmoji(char32_t c) {
    return (c >= 0x2300 && c <= 0x23FF) || (c >= 0x2600 && c <= 0x27BF) ||
           (c >= 0x2B00 && c <= 0x2BFF) || (c >= 0x1F000 && c <= 0x1FAFF);
}

}  // namespace

bool FontHasChar(const std::string& family, char32_t c) {
    // Read once per family for the life of the program; renders on several
    // threads ask at once.
    static std::mutex mutex;
    static std::map<std::string, CharSetPtr> known;
    static const bool ready = FcInit();
    if (!ready) return false;
    const std::lock_guard lock(mutex);
    auto it = known.find(family);
    if (it == known.end()) it = known.emplace(family, ReadCharSet(family)).first;
    return it->second && FcCharSetHasChar(it->second.get(), c);
}

std::string EmojiFont(char32_t c, const std::string& font) {
    if (!IsEmoji(c) || FontHasChar(font, c)) return {};
    for (const char* emoji : {"Symbola", "Unifont Upper"})
        if (FontHasChar(emoji, c)) return emoji;
    return {};
}

}  // namespace vm
