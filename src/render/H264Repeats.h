#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vm {

// Frames of our own in x264's H.264 stream, so a still costs almost nothing
// after its first frame. x264 is given each new picture once; the frames that
// show it again are written here: a P picture of skipped macroblocks that
// nobody refers to, so it copies the last reference picture exactly and
// leaves the decoder's reference pictures as x264 left them.
//
// x264 numbers pictures (their order count) as it is fed, one step a frame,
// with a field too narrow for long gaps (or none: without B-frames the count
// follows the frame number, and two frames that are not references cannot
// follow each other). So the stream's parameter set gets an explicit count
// field 8 bits wider than x264's (16 bits when it had none), and every slice
// of x264's is given the count of its frame on the video's timeline in that
// field: its header grows by whole bytes, which keeps the byte-aligned slice
// data as x264 wrote it.
//
// What the stream must be for this: CABAC, frames (not fields), one slice
// group. B-frames must never be predicted across a run of repeats (weighted
// bi-prediction and temporal direct use the distance between pictures): the
// writer makes the frames either side of a run P or I.
class H264Repeats {
public:
    // Reads x264's parameter sets from its headers (Annex B, as the encoder's
    // extradata holds them) and gives the headers to put in the file instead.
    bool Open(const uint8_t* headers, int size, std::vector<uint8_t>* widened, std::string* error);

    // x264's packet for the frame at `frame` on the timeline (Annex B):
    // rewritten into `out` with that frame's picture order count. Notes
    // whether it is a reference picture and its frame number.
    bool Restamp(const uint8_t* data, int size, int64_t frame, std::vector<uint8_t>* out,
                 std::string* error);

    // A frame at `frame` on the timeline that shows the last reference
    // picture again (Annex B): valid after x264's packets before it in
    // decoding order went through Restamp.
    void Repeat(int64_t frame, std::vector<uint8_t>* out);

private:
    struct Sps {
        int id = 0;
        int chromaFormat = 1;
        bool separateColourPlanes = false;
        int frameNumBits = 0;
        int pocType = 0;
        int pocBits = 0;
        int widthMbs = 0;
        int heightMbs = 0;
        bool framesOnly = true;
    };
    struct Pps {
        int id = 0;
        bool cabac = false;
        bool bottomFieldPoc = false;
        bool weightedPred = false;
        int initQp = 26;
        bool deblockingControl = false;
        bool redundantPicCount = false;
    };
    uint32_t PocLsb(int64_t frame) const;

    Sps sps_;
    Pps pps_;
    int pocBits_ = 0;  // the widened field
    int64_t idrFrame_ = 0;
    uint32_t lastReferenceFrameNum_ = 0;
    std::vector<uint8_t> skipData_;  // the CABAC slice data of a frame of skips
};

}  // namespace vm
