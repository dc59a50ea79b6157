#include "CaptionRenderer.h"

#include <QList>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "FontCoverage.h"

extern "C" {
#include <ass/ass.h>
#include <libavutil/pixdesc.h>
}

namespace vm {
namespace {

// libass tells a lot about the fonts it picks; only its errors go to stderr.
void KeepQuiet(int level, const char* format, va_list args, void*) {
    if (level > 1) return;
    std::fputs("[libass] ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
}

// ASS times: H:MM:SS.cc
std::string AssTime(double seconds) {
    const long cs = std::lround(std::max(0.0, seconds) * 100);
    char out[32];
    std::snprintf(out, sizeof out, "%ld:%02ld:%02ld.%02ld", cs / 360000, cs / 6000 % 60,
                  cs / 100 % 60, cs % 100);
    return out;
}

// Text as ASS shows it literally: braces and backslashes would be read as
// tags, line breaks become \N. An emoji `font` lacks is drawn in a font that
// has it (EmojiFont), named around it.
std::string AssText(const std::string& text, const std::string& font) {
    std::string out, named;
    for (const char32_t c : QString::fromStdString(text).toUcs4()) {
        std::string emoji = EmojiFont(c, font);
        // Variation selectors, joiners and skin tones stay with their emoji.
        if (emoji.empty() && !named.empty() &&
            (c == 0xFE0F || c == 0x200D || (c >= 0x1F3FB && c <= 0x1F3FF)))
            emoji = named;
        if (emoji != named) {
            out += "{\\fn" + (emoji.empty() ? font : emoji) + "}";
            named = emoji;
        }
        if (c == '{')
            out += '(';
        else if (c == '}')
            out += ')';
        else if (c == '\\')
            out += '/';
        else if (c == '\n')
            out += "\\N";
        else
            out += QString::fromUcs4(&c, 1).toStdString();
    }
    return out;
}

std::string Header(int width, int height, const std::string& style) {
    return "[Script Info]\nScriptType: v4.00+\nPlayResX: " + std::to_string(width) +
           "\nPlayResY: " + std::to_string(height) +
           "\nWrapStyle: 0\nScaledBorderAndShadow: yes\n\n[V4+ Styles]\n"
           "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, "
           "BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, "
           "BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\n" +
           style +
           "\n\n[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, "
           "MarginV, Effect, Text\n";
}

// The style's last field, its encoding: 1 as always, or -1 for text with
// Arabic or Hebrew in it, which lets libass take each line's direction from
// its first strong letter. Without it a right-to-left line is laid out from
// the left, and its full stop lands at the wrong end.
std::string Encoding(const std::vector<std::string>& texts) {
    for (const std::string& text : texts)
        for (const QChar c : QString::fromStdString(text))
            if (c.direction() == QChar::DirR || c.direction() == QChar::DirAL) return "-1";
    return "1";
}

// &HAABBGGRR, as ASS writes a colour: alpha 00 is opaque.
std::string AssColour(unsigned rgb, int opacity) {
    char out[16];
    std::snprintf(out, sizeof out, "&H%02X%02X%02X%02X",
                  255 - int(std::lround(std::clamp(opacity, 0, 100) * 2.55)), rgb & 0xFF,
                  (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
    return out;
}

// A cue drawn at `percent` of its size; nothing at full size.
std::string Scaled(int percent) {
    if (percent >= 100) return {};
    return "{\\fscx" + std::to_string(percent) + "\\fscy" + std::to_string(percent) + "}";
}

std::string Dialogue(double start, double end, const std::string& text) {
    return "Dialogue: 0," + AssTime(start) + "," + AssTime(end) + ",Main,,0,0,0,," + text + "\n";
}

// BT.601 or BT.709 luma and colour differences of an 8-bit RGB colour, in
// limited or full range.
void ToYuv(int r, int g, int b, bool bt709, bool full, int* y, int* u, int* v) {
    const double kr = bt709 ? 0.2126 : 0.299, kb = bt709 ? 0.0722 : 0.114, kg = 1 - kr - kb;
    const double luma = (kr * r + kg * g + kb * b) / 255.0;
    const double cb = (b / 255.0 - luma) / (2 * (1 - kb));
    const double cr = (r / 255.0 - luma) / (2 * (1 - kr));
    *y = int(std::lround(full ? luma * 255 : 16 + luma * 219));
    *u = int(std::lround(128 + cb * (full ? 255 : 224)));
    *v = int(std::lround(128 + cr * (full ? 255 : 224)));
}

}  // namespace

CaptionBox TitleSafeArea(int width, int height) {
    const int x = int(std::lround(width * (kTitleSafePercent / 100)));
    const int y = int(std::lround(height * (kTitleSafePercent / 100)));
    return {x, y, width - x, height - y};
}

double FootInsetPercent(int width, int height) {
    return height > width ? 14 : kTitleSafePercent;
}

struct CaptionRenderer::Impl {
    ASS_Library* library = nullptr;
    ASS_Renderer* renderer = nullptr;
    ASS_Track* track = nullptr;
    ~Impl() {
        if (track) ass_free_track(track);
        if (renderer) ass_renderer_done(renderer);
        if (library) ass_library_done(library);
    }
};

CaptionRenderer::CaptionRenderer() : d(std::make_unique<Impl>()) {}
CaptionRenderer::~CaptionRenderer() = default;

bool CaptionRenderer::Start(int width, int height, RenderResult* result) {
    d->library = ass_library_init();
    if (!d->library) {
        *result = RenderResult::Fail("drawing text", "libass could not start");
        return false;
    }
    ass_set_message_cb(d->library, KeepQuiet, nullptr);
    d->renderer = ass_renderer_init(d->library);
    if (!d->renderer) {
        *result = RenderResult::Fail("drawing text", "libass could not start");
        return false;
    }
    ass_set_frame_size(d->renderer, width, height);
    // HarfBuzz joins Arabic letters and FriBidi orders right-to-left runs.
    ass_set_shaper(d->renderer, ASS_SHAPING_COMPLEX);
    // Fonts through fontconfig: a script the first font lacks (Chinese, an
    // emoji) falls back to one that has it.
    ass_set_fonts(d->renderer, nullptr, "DejaVu Sans", ASS_FONTPROVIDER_AUTODETECT, nullptr, 1);
    return true;
}

bool CaptionRenderer::Open(const std::string& script, int width, int height, RenderResult* result) {
    if (!d->renderer && !Start(width, height, result)) return false;
    if (d->track) ass_free_track(d->track);
    std::string copy = script;
    d->track = ass_read_memory(d->library, copy.data(), copy.size(), nullptr);
    if (!d->track) {
        *result = RenderResult::Fail("drawing text", "the text could not be laid out");
        return false;
    }
    changes_.clear();
    for (int i = 0; i < d->track->n_events; ++i) {
        const ASS_Event& e = d->track->events[i];
        changes_.push_back(e.Start / 1000.0);
        changes_.push_back((e.Start + e.Duration) / 1000.0);
    }
    std::sort(changes_.begin(), changes_.end());
    changes_.erase(std::unique(changes_.begin(), changes_.end()), changes_.end());
    return true;
}

std::vector<int> CaptionRenderer::FitScales(const std::string& header,
                                            const std::vector<std::string>& texts, int width,
                                            int height, RenderResult* result) {
    constexpr int kLeast = 10;  // percent
    std::vector<int> scales(texts.size(), 100);
    std::vector<bool> blind(texts.size(), false);  // shrunk without knowing how far it had to
    const CaptionBox safe = TitleSafeArea(width, height);
    std::vector<size_t> open(texts.size());
    for (size_t i = 0; i < open.size(); ++i) open[i] = i;
    // Each cue alone on its own ten seconds; those outside the area are
    // drawn again smaller, a few times at most.
    for (int round = 0; round < 8 && !open.empty(); ++round) {
        std::string script = header;
        for (size_t i : open)
            script +=
                Dialogue(10.0 * double(i), 10.0 * double(i) + 5, Scaled(scales[i]) + texts[i]);
        if (!Open(script, width, height, result)) return {};
        std::vector<size_t> again;
        for (size_t i : open) {
            const CaptionBox drawn = DrawnBox(std::llround(10000.0 * double(i) + 1000));
            if (drawn.Empty()) continue;
            // libass cuts a cue off at the frame's edges, so one that reaches
            // them is larger than it shows: a third as large, measured again.
            if (drawn.x0 <= 0 || drawn.y0 <= 0 || drawn.x1 >= width || drawn.y1 >= height) {
                scales[i] = std::max(kLeast, scales[i] / 3);
                blind[i] = true;
                again.push_back(i);
                continue;
            }
            const double fit = std::min(double(safe.Width()) / drawn.Width(),
                                        double(safe.Height()) / drawn.Height());
            const int best =
                std::max(kLeast, std::min(100, int(std::floor(scales[i] * fit * 0.97))));
            // Inside: done, unless it was shrunk blindly and may be larger.
            if (safe.Holds(drawn) && (!blind[i] || best <= scales[i])) continue;
            scales[i] = best;
            blind[i] = false;
            again.push_back(i);
        }
        open = again;
    }
    return scales;
}

CaptionBox CaptionRenderer::DrawnBox(long long ms) const {
    CaptionBox box;
    for (const ASS_Image* image = ass_render_frame(d->renderer, d->track, ms, nullptr); image;
         image = image->next) {
        if (image->w <= 0 || image->h <= 0 || (image->color & 0xFF) == 0xFF) continue;
        // Its ink, not the bitmap's blank edges.
        for (int y = 0; y < image->h; ++y)
            for (int x = 0; x < image->w; ++x)
                if (image->bitmap[y * image->stride + x] > 16)
                    box.Add({image->dst_x + x, image->dst_y + y, image->dst_x + x + 1,
                             image->dst_y + y + 1});
    }
    return box;
}

bool CaptionRenderer::OpenCaptions(const std::vector<RenderJob::Caption>& captions, int width,
                                   int height, bool highlight, const RenderJob::CaptionLook& look,
                                   RenderResult* result, int clearFoot) {
    using Place = RenderJob::CaptionLook::Place;
    // Sized by the frame's shorter side, so portrait frames read like
    // landscape ones; kept out of the edges (and, in portrait, above the
    // controls phone feeds lay over the foot of the picture).
    const int size = std::max(12, int(std::lround(std::min(width, height) * (look.size / 100))));
    const int outline = std::max(1, size / 12);
    const int pad = look.box ? std::max(2, size / 4) : 0;
    // A box reaches `pad` (and a pixel of its soft edge) beyond its text:
    // boxed lines wrap that much narrower, so the box too stays inside the
    // title-safe area.
    const int side = std::max(int(std::lround(width * 0.06)),
                              pad ? TitleSafeArea(width, height).x0 + pad + 2 : 0);
    const double inset =
        look.place == Place::Top ? kTitleSafePercent : FootInsetPercent(width, height);
    int edge = int(std::lround(height * ((inset + look.margin) / 100)));
    if (look.place == Place::Bottom) edge = std::max(clearFoot, edge);
    edge += pad;
    const int alignment = look.place == Place::Top ? 8 : look.place == Place::Middle ? 5 : 2;
    std::vector<std::string> texts;
    for (const RenderJob::Caption& c : captions) texts.push_back(c.text);
    const std::string header = Header(
        width, height,
        "Style: Main," + look.font + "," + std::to_string(size) + "," +
            AssColour(look.colour, 100) + "," + AssColour(look.colour, 100) + "," +
            AssColour(look.backColour, look.backOpacity) + ",&H80000000,-1,0,0,0,100,100,0,0," +
            (look.box ? "3," : "1,") + std::to_string(look.box ? pad : outline) + ",0," +
            std::to_string(alignment) + "," + std::to_string(side) + "," + std::to_string(side) +
            "," + std::to_string(edge) + "," + Encoding(texts));
    std::vector<std::string> plain;
    for (const RenderJob::Caption& c : captions) plain.push_back(AssText(c.text, look.font));
    const std::vector<int> scales = FitScales(header, plain, width, height, result);
    if (scales.size() != captions.size()) return false;
    std::string script = header;
    const std::string coloured = "{\\c&H" + AssColour(look.highlight, 100).substr(4) + "&}";
    const std::string uncoloured = "{\\c&H" + AssColour(look.colour, 100).substr(4) + "&}";
    for (size_t i = 0; i < captions.size(); ++i) {
        const RenderJob::Caption& c = captions[i];
        const std::string scaled = Scaled(scales[i]);
        if (!highlight || c.words.empty()) {
            script += Dialogue(c.start, c.end, scaled + plain[i]);
            continue;
        }
        // One event per word: the text with that word coloured, from its
        // start to the next word's.
        for (size_t w = 0; w < c.words.size(); ++w) {
            const RenderJob::Caption::Word& word = c.words[w];
            const double from = w == 0 ? c.start : word.start;
            const double to = w + 1 < c.words.size() ? c.words[w + 1].start : c.end;
            if (!(to > from)) continue;
            const std::string text =
                scaled + AssText(c.text.substr(0, size_t(word.begin)), look.font) + coloured +
                AssText(c.text.substr(size_t(word.begin), size_t(word.length)), look.font) +
                uncoloured + AssText(c.text.substr(size_t(word.begin + word.length)), look.font);
            script += Dialogue(from, to, text);
        }
    }
    return Open(script, width, height, result);
}

bool CaptionRenderer::OpenHeadline(const std::string& text, int width, int height,
                                   RenderResult* result) {
    const int size = std::max(16, int(std::lround(std::min(width, height) * 0.15)));
    const int side = int(std::lround(width * 0.07));
    std::string script =
        Header(width, height,
               "Style: Main,DejaVu Sans," + std::to_string(size) +
                   ",&H00FFFFFF,&H00FFFFFF,&H00000000,&H50000000,-1,0,0,0,100,"
                   "100,0,0,3," +
                   std::to_string(std::max(2, size / 5)) + ",0,5," + std::to_string(side) + "," +
                   std::to_string(side) + ",0," + Encoding({text}));
    script += Dialogue(0, 10, AssText(text, "DejaVu Sans"));
    return Open(script, width, height, result);
}

bool CaptionRenderer::Draw(AVFrame* frame, double seconds, bool bt709, RenderResult* result) {
    if (!d->track) return true;
    const ASS_Image* image =
        ass_render_frame(d->renderer, d->track, std::llround(seconds * 1000), nullptr);
    if (!image) return true;
    if (int rc = av_frame_make_writable(frame); rc < 0) {
        *result = RenderResult::Fail("drawing text", av::ErrorText(rc));
        return false;
    }
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(AVPixelFormat(frame->format));
    const int sx = desc->log2_chroma_w, sy = desc->log2_chroma_h;
    const bool full = frame->color_range == AVCOL_RANGE_JPEG;
    for (; image; image = image->next) {
        const uint32_t color = image->color;
        const int opacity = 255 - int(color & 0xFF);
        if (opacity <= 0 || image->w <= 0 || image->h <= 0) continue;
        int cy = 0, cu = 0, cv = 0;
        ToYuv(int(color >> 24), int((color >> 16) & 0xFF), int((color >> 8) & 0xFF), bt709, full,
              &cy, &cu, &cv);
        // Brightness, pixel by pixel.
        for (int y = 0; y < image->h; ++y) {
            const int py = image->dst_y + y;
            if (py < 0 || py >= frame->height) continue;
            uint8_t* row = frame->data[0] + py * frame->linesize[0];
            const unsigned char* alpha = image->bitmap + y * image->stride;
            for (int x = 0; x < image->w; ++x) {
                const int px = image->dst_x + x;
                if (px < 0 || px >= frame->width) continue;
                const int a = alpha[x] * opacity / 255;
                row[px] = uint8_t(row[px] + (cy - row[px]) * a / 255);
            }
        }
        // Colour, one sample per block of pixels, with their mean coverage.
        const int bw = 1 << sx, bh = 1 << sy;
        const int x0 = image->dst_x >> sx, y0 = image->dst_y >> sy;
        const int x1 = (image->dst_x + image->w + bw - 1) >> sx;
        const int y1 = (image->dst_y + image->h + bh - 1) >> sy;
        const int cwMax = AV_CEIL_RSHIFT(frame->width, sx),
                  chMax = AV_CEIL_RSHIFT(frame->height, sy);
        for (int by = std::max(0, y0); by < std::min(y1, chMax); ++by) {
            for (int bx = std::max(0, x0); bx < std::min(x1, cwMax); ++bx) {
                int sum = 0;
                for (int dy = 0; dy < bh; ++dy) {
                    const int y = (by << sy) + dy - image->dst_y;
                    if (y < 0 || y >= image->h) continue;
                    for (int dx = 0; dx < bw; ++dx) {
                        const int x = (bx << sx) + dx - image->dst_x;
                        if (x >= 0 && x < image->w) sum += image->bitmap[y * image->stride + x];
                    }
                }
                const int a = sum / (bw * bh) * opacity / 255;
                if (a == 0) continue;
                uint8_t* u = frame->data[1] + by * frame->linesize[1] + bx;
                uint8_t* v = frame->data[2] + by * frame->linesize[2] + bx;
                *u = uint8_t(*u + (cu - *u) * a / 255);
                *v = uint8_t(*v + (cv - *v) * a / 255);
            }
        }
    }
    return true;
}

}  // namespace vm
