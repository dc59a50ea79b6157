#pragma once

#include <string>
#include <vector>

namespace vm {

constexpr int kFramesPerSecond = 25;

// How a picture moves while it is on screen: a slow zoom towards or away
// from its middle, or the view travelling across it. Pans name where the
// view goes: PanLeft shows more and more of the picture's left side, so the
// picture itself drifts right.
enum class Motion { None, ZoomIn, ZoomOut, PanLeft, PanRight, PanUp, PanDown };

// Everything one render needs, copied from the project when the render
// starts, so the window may change the project while the file is written.
struct RenderJob {
    struct Image {
        std::string path;
        double duration = 0;  // seconds
        // Over its whole time on screen, transitions in and out included.
        // `motionStrength` is how far it goes: zooms change the size by that
        // fraction (0.1: 10%), pans travel that fraction of the frame.
        Motion motion = Motion::None;
        double motionStrength = 0;
        // A video clip: it plays from its start when its slide comes in
        // (transition included), and never moves.
        bool clip = false;
    };
    struct Transition {
        int type = 0;
        double from = 0;  // seconds on the timeline
        double to = 0;
    };
    struct Audio {
        std::string path;
        double start = 0;    // where on the timeline it begins
        double length = 0;   // seconds taken from the file's start (cut or padded)
        double fadeOut = 0;  // seconds at the end of `length` over which it fades out
        double fadeIn = 0;   // seconds at its start over which it fades in
        // Music only: how far (dB) it steps back while the voices speak; 0
        // when it plays on at its own level.
        double duckDb = 0;
    };

    int width = 0;
    int height = 0;
    std::vector<Image> images;
    std::vector<Transition> transitions;
    std::vector<Audio> voices;
    std::vector<Audio> music;

    // Video codec: FFmpeg encoder name ("rawvideo" when compression is off),
    // its long name for messages, and its quality value (-1: none).
    std::string codec = "rawvideo";
    std::string codecName = "raw video";
    int quality = -1;

    // The container: "avi" (the compressor list's codecs, PCM sound) or "mp4"
    // (H.264 and AAC, BT.709, the index at the front).
    std::string container = "avi";
    // How a picture of another shape fills the frame: "fit", "blur", "fill".
    std::string fit = "fit";
    // A clip shorter than its slide starts again rather than holding its
    // last frame.
    bool clipLoop = false;

    // Captions burned into the picture; with highlightWords the word being
    // spoken is coloured.
    struct Caption {
        double start = 0;
        double end = 0;
        std::string text;  // UTF-8, lines separated by "\n"
        struct Word {
            double start = 0;
            double end = 0;
            int begin = 0;  // bytes into `text`
            int length = 0;
        };
        std::vector<Word> words;
    };
    std::vector<Caption> captions;
    bool highlightWords = false;
    // How burned captions look; the defaults are the program's first look
    // ("Classic"): white bold DejaVu Sans with a dark outline near the foot.
    struct CaptionLook {
        std::string font = "DejaVu Sans";
        double size = 5.5;               // % of the frame's shorter side
        unsigned colour = 0xFFFFFF;      // 0xRRGGBB
        bool box = false;                // a box behind the text, else an outline around it
        unsigned backColour = 0x202020;  // the outline's or the box's
        int backOpacity = 100;           // %
        enum class Place { Bottom, Middle, Top } place = Place::Bottom;
        double margin = 2;  // % of the frame height between the text and the safe area's edge
        unsigned highlight = 0xFFD700;  // the spoken word's colour
    };
    CaptionLook captionLook;

    // A picture in a corner of every frame, drawn after transitions and
    // motion, so it stands still. Empty `path`: none.
    struct Logo {
        std::string path;
        std::string corner = "bottomRight";  // topLeft, topRight, bottomLeft, bottomRight
        double widthPercent = 15;            // of the frame's width
        double opacity = 1;                  // 0 to 1
        double marginPercent = 3;            // from the frame's edges, of its width
    };
    Logo logo;

    // A video (or a picture held for a time) shown before or after the
    // slides with its own sound; the slides, voices, music and captions above
    // start after the intro. `frames` is its length, measured beforehand
    // (IntroClip), so the captions file and the render agree on it.
    struct Bookend {
        std::string path;  // empty: none
        int frames = 0;
        bool picture = false;
        bool sound = false;  // a video with a sound track
    };
    Bookend intro;
    Bookend outro;

    std::string outputPath;  // the file written (the caller renames it)
};

// The outcome of a render: ok, or the stage that failed and FFmpeg's text.
struct RenderResult {
    bool ok = true;
    std::string stage;    // e.g. "decoding image /x/a.jpg"
    std::string message;  // e.g. "Invalid data found when processing input"

    static RenderResult Fail(std::string stage, std::string message) {
        return RenderResult{false, std::move(stage), std::move(message)};
    }
    std::string Text() const { return ok ? std::string() : stage + ": " + message; }
};

}  // namespace vm
