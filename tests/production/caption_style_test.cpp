// Caption styles burned into real videos and read back: every preset on a
// landscape and a portrait frame stays in the title-safe area, sits where it
// says, and colours each word while it is heard; right-to-left text and
// emoji come out as libass draws them when set up by hand.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>

#include "CaptionRenderer.h"
#include "Captions.h"
#include "ImageLoader.h"
#include "MediaProbe.h"
#include "RenderEngine.h"
#include "SettingsTable.h"
#include "TestSupport.h"
#include "VideoPipeline.h"

extern "C" {
#include <ass/ass.h>
}

using namespace vm;

namespace {

const QColor kBackground(60, 90, 120);

QColor Rgb(unsigned rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// Words a third of a second apart, each heard for 0.3 s, from 0.2 s.
std::vector<NarrationWord> Timed(const QString& text) {
    std::vector<NarrationWord> words;
    double at = 0.2;
    for (const QString& token : text.split(' ')) {
        words.push_back({token, at, at + 0.3});
        at += 0.4;
    }
    return words;
}

// The box around every pixel that `differs` says is not the background.
template <typename F>
CaptionBox Where(const QImage& image, F differs) {
    CaptionBox box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (differs(image.pixelColor(x, y))) box.Add({x, y, x + 1, y + 1});
    return box;
}

struct Preset {
    const char* name;
    double lowest, highest;  // where the caption's middle must be, as shares of the height
};

}  // namespace

TEST(CaptionStyles, EachPresetStaysSafeSitsWhereItSaysAndColoursTheSpokenWord) {
    const Preset presets[] = {{"classic", 2 / 3.0, 1},
                              {"boldCentre", 1 / 3.0, 2 / 3.0},
                              {"boxedLowerThird", 2 / 3.0, 1},
                              {"oneWordAtATime", 2 / 3.0, 1}};
    const QString folder = testsupport::FreshAppFolder("caption_styles");
    // A 45-letter word, too long for a portrait line at any of these sizes
    // (wider than the frame: libass cuts it off there), and a second sentence.
    const std::vector<NarrationWord> words = Timed(
        "Call us about Pneumonoultramicroscopicsilicovolcanoconiosis care today. We "
        "answer every call within the hour, seven days a week.");
    for (const Preset& preset : presets) {
        Settings project;
        project.Set(setting::captionStyle, preset.name);
        const RenderJob::CaptionLook look = CaptionLookOf(project);
        const std::vector<RenderJob::Caption> captions = StyledCaptions(words, project);
        for (const auto& [width, height] : {std::pair{640, 360}, std::pair{360, 640}}) {
            SCOPED_TRACE(std::string(preset.name) + " " + std::to_string(width) + "x" +
                         std::to_string(height));
            const QString image = folder + QString("/%1x%2.png").arg(width).arg(height);
            ASSERT_TRUE(testsupport::WriteSolidImage(image, width, height, kBackground));
            RenderJob job;
            job.width = width;
            job.height = height;
            job.images = {{image.toStdString(), words.back().end + 0.5}};
            job.captions = captions;
            job.highlightWords = true;
            job.captionLook = look;
            const QString path = folder + QString("/%1_%2.avi").arg(preset.name).arg(width);
            const RenderResult made = RenderVideoFile(job, path.toStdString(), {}, {});
            ASSERT_TRUE(made.ok) << made.Text();
            QString error;
            const std::vector<QImage> frames = testsupport::DecodeFrames(path, &error);
            ASSERT_FALSE(frames.empty()) << error.toStdString();

            const CaptionBox safe = TitleSafeArea(width, height);
            const QColor back = Rgb(look.backColour);
            const double a = look.backOpacity / 100.0;
            const QColor boxed(int(kBackground.red() * (1 - a) + back.red() * a),
                               int(kBackground.green() * (1 - a) + back.green() * a),
                               int(kBackground.blue() * (1 - a) + back.blue() * a));
            // VIDMILL_CAPTION_SHOTS=folder keeps a frame of each (docs/ shows them).
            if (const QByteArray shots = qgetenv("VIDMILL_CAPTION_SHOTS"); !shots.isEmpty())
                frames[size_t((captions.front().words.back().start + 0.15) * kFramesPerSecond)]
                    .save(QString("%1/%2_%3.png").arg(QString(shots), preset.name).arg(width));
            for (const RenderJob::Caption& caption : captions) {
                CaptionBox previous;
                for (const RenderJob::Caption::Word& word : caption.words) {
                    const int index = int((word.start + word.end) / 2 * kFramesPerSecond);
                    ASSERT_LT(size_t(index), frames.size());
                    const QImage& frame = frames[size_t(index)];
                    const CaptionBox drawn = Where(frame, [](const QColor& c) {
                        return testsupport::ColorDistance(c, kBackground) > 24;
                    });
                    ASSERT_FALSE(drawn.Empty()) << "no caption at frame " << index;
                    EXPECT_TRUE(safe.Holds(drawn))
                        << "frame " << index << ": caption at x " << drawn.x0 << ".." << drawn.x1
                        << ", y " << drawn.y0 << ".." << drawn.y1;
                    const double middle = (drawn.y0 + drawn.y1) / 2.0 / height;
                    EXPECT_GE(middle, preset.lowest) << "frame " << index;
                    EXPECT_LE(middle, preset.highest) << "frame " << index;
                    // The box where the text is, and only in the boxed look.
                    const CaptionBox box = Where(frame, [&](const QColor& c) {
                        return testsupport::ColorDistance(c, boxed) < 10;
                    });
                    if (look.box) {
                        ASSERT_FALSE(box.Empty()) << "no box at frame " << index;
                        EXPECT_GT(box.Width() * box.Height(), drawn.Width() * drawn.Height() / 2);
                        EXPECT_TRUE(drawn.Holds(box));
                    }
                    // The word heard now is the one coloured: the highlight
                    // moves right along its line, or down to the next. (Not
                    // by the tops of the words: "us" stands lower than "Call".)
                    const CaptionBox lit = Where(frame, [&](const QColor& c) {
                        return testsupport::ColorDistance(c, Rgb(look.highlight)) < 40;
                    });
                    ASSERT_FALSE(lit.Empty()) << "no highlighted word at frame " << index;
                    if (!previous.Empty())
                        EXPECT_TRUE(lit.x0 > previous.x0 ||
                                    lit.y0 > (previous.y0 + previous.y1) / 2)
                            << "frame " << index << ": the highlight at x " << lit.x0 << ", y "
                            << lit.y0 << " after x " << previous.x0 << ", y " << previous.y0;
                    previous = lit;
                }
            }
        }
    }
}

namespace {

// The white letters of a caption drawn onto a black 640x360 frame.
QImage Letters(const std::vector<uint8_t>& luma) {
    QImage mask(640, 360, QImage::Format_Grayscale8);
    for (int y = 0; y < 360; ++y)
        for (int x = 0; x < 640; ++x)
            mask.bits()[y * mask.bytesPerLine() + x] = luma[size_t(y * 640 + x)] > 128 ? 255 : 0;
    return mask;
}

// The text as libass draws it when set up the plain way: HarfBuzz shaping,
// the direction from the text, fonts named where the text needs them; the
// same size and margins as the program's first caption look.
QImage Reference(const std::string& text) {
    ASS_Library* library = ass_library_init();
    ASS_Renderer* renderer = ass_renderer_init(library);
    ass_set_frame_size(renderer, 640, 360);
    ass_set_shaper(renderer, ASS_SHAPING_COMPLEX);
    ass_set_fonts(renderer, nullptr, "DejaVu Sans", ASS_FONTPROVIDER_FONTCONFIG, nullptr, 1);
    std::string script =
        "[Script Info]\nScriptType: v4.00+\nPlayResX: 640\nPlayResY: 360\n\n[V4+ Styles]\n"
        "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, "
        "BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, "
        "BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\n"
        "Style: Default,DejaVu Sans,20,&H00FFFFFF,&H00FFFFFF,&H00000000,&H00000000,-1,0,0,0,"
        "100,100,0,0,1,0,0,2,38,38,25,-1\n\n[Events]\n"
        "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n"
        "Dialogue: 0,0:00:00.00,0:00:05.00,Default,,0,0,0,," +
        text + "\n";
    ASS_Track* track = ass_read_memory(library, script.data(), script.size(), nullptr);
    std::vector<uint8_t> luma(640 * 360, 0);
    for (ASS_Image* i = ass_render_frame(renderer, track, 1000, nullptr); i; i = i->next)
        for (int y = 0; y < i->h; ++y)
            for (int x = 0; x < i->w; ++x) {
                uint8_t& p = luma[size_t((i->dst_y + y) * 640 + i->dst_x + x)];
                p = uint8_t(p + (255 - p) * i->bitmap[y * i->stride + x] / 255);
            }
    ass_free_track(track);
    ass_renderer_done(renderer);
    ass_library_done(library);
    return Letters(luma);
}

// Pixels lit in both over pixels lit in either.
double Overlap(const QImage& a, const QImage& b) {
    int both = 0, either = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const bool pa = a.pixelColor(x, y).value() > 0, pb = b.pixelColor(x, y).value() > 0;
            both += pa && pb;
            either += pa || pb;
        }
    return either ? double(both) / either : 0;
}

}  // namespace

TEST(CaptionStyles, ArabicHebrewAndEmojiAsLibassDrawsThem) {
    struct Case {
        const char* name;
        QString text;       // as the narration has it
        std::string fonts;  // as the reference names its fonts
    } const cases[] = {
        {"Arabic", "مرحبا بكم في متجرنا.", "مرحبا بكم في متجرنا."},
        {"Hebrew", "שלום וברוכים הבאים.", "שלום וברוכים הבאים."},
        {"emoji", "Smile 🦷 today 😀",
         "Smile {\\fnUnifont Upper}🦷{\\fnDejaVu Sans} today 😀"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CanvasFormat canvas{640, 360, AV_PIX_FMT_YUV420P, false, false};
        RenderResult result;
        av::FramePtr frame = MakeBlackCanvas(canvas, &result);
        ASSERT_TRUE(frame) << result.Text();
        RenderJob::Caption caption;
        caption.end = 5;
        caption.text = c.text.toStdString();
        CaptionRenderer renderer;
        ASSERT_TRUE(renderer.OpenCaptions({caption}, 640, 360, false, {}, &result))
            << result.Text();
        ASSERT_TRUE(renderer.Draw(frame.get(), 1.0, false, &result)) << result.Text();
        std::vector<uint8_t> luma(640 * 360);
        for (int y = 0; y < 360; ++y)
            for (int x = 0; x < 640; ++x)
                luma[size_t(y * 640 + x)] = frame->data[0][y * frame->linesize[0] + x];
        const QImage ours = Letters(luma), reference = Reference(c.fonts);
        const double overlap = Overlap(ours, reference);
        EXPECT_GT(overlap, 0.9) << "ours and libass's own differ";
        if (overlap <= 0.9) {
            ours.save(testsupport::FreshAppFolder("caption_scripts") + "/" + c.name + ".png");
            reference.save(testsupport::FreshAppFolder("caption_scripts") + "/" + c.name +
                           "_reference.png");
        }
    }
}
