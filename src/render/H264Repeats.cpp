#include "H264Repeats.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <functional>

namespace vm {

namespace {

constexpr int kNalSlice = 1;
constexpr int kNalIdrSlice = 5;
constexpr int kNalSps = 7;
constexpr int kNalPps = 8;
// How much wider the picture order count field is made.
constexpr int kExtraPocBits = 8;

// Reads the bits of a NAL unit's payload (emulation prevention removed).
class BitReader {
public:
    BitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Ok() const { return ok_; }
    size_t Position() const { return position_; }
    size_t SizeInBits() const { return size_ * 8; }
    uint32_t Bit() {
        if (position_ >= size_ * 8) {
            ok_ = false;
            return 0;
        }
        const uint32_t bit = (data_[position_ / 8] >> (7 - position_ % 8)) & 1;
        ++position_;
        return bit;
    }
    void Skip(size_t count) {
        position_ += count;
        if (position_ > size_ * 8) ok_ = false;
    }
    uint32_t Bits(int count) {
        uint32_t value = 0;
        for (int i = 0; i < count; ++i) value = (value << 1) | Bit();
        return value;
    }
    uint32_t Ue() {
        int zeros = 0;
        while (ok_ && Bit() == 0) {
            if (++zeros > 31) ok_ = false;
        }
        if (!ok_) return 0;
        return (uint32_t(1) << zeros) - 1 + Bits(zeros);
    }
    int32_t Se() {
        const uint32_t k = Ue();
        return (k & 1) ? int32_t((k + 1) / 2) : -int32_t(k / 2);
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
    bool ok_ = true;
};

class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>* out) : out_(out) {}
    void Bit(uint32_t bit) {
        if (used_ == 0) out_->push_back(0);
        if (bit) out_->back() |= uint8_t(0x80 >> used_);
        used_ = (used_ + 1) % 8;
    }
    void Bits(uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) Bit((value >> i) & 1);
    }
    void Ue(uint32_t value) {
        const uint64_t code = uint64_t(value) + 1;
        int length = 0;
        while ((code >> length) > 1) ++length;
        Bits(0, length);
        Bits(uint32_t(code), length + 1);
    }
    void Se(int32_t value) { Ue(value > 0 ? uint32_t(2 * value - 1) : uint32_t(-2 * value)); }
    bool Aligned() const { return used_ == 0; }
    void AlignWith(uint32_t bit) {
        while (!Aligned()) Bit(bit);
    }

private:
    std::vector<uint8_t>* out_;
    int used_ = 0;  // bits used in the last byte
};

// Calls `each(nal, size)` for every NAL unit of an Annex B byte stream.
void ForEachNal(const uint8_t* data, size_t size,
                const std::function<void(const uint8_t*, size_t)>& each) {
    auto startCode = [&](size_t i) {
        return i + 3 <= size && data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1;
    };
    size_t i = 0;
    while (i < size && !startCode(i)) ++i;
    while (i < size) {
        const size_t begin = i + 3;
        size_t end = begin;
        while (end < size && !startCode(end)) ++end;
        size_t last = end;
        // The zero byte of a four-byte start code belongs to the next one.
        while (end < size && last > begin && data[last - 1] == 0) --last;
        if (last > begin) each(data + begin, last - begin);
        i = end;
    }
}

// The payload of a NAL unit (after its header byte) without emulation
// prevention bytes.
std::vector<uint8_t> Unescape(const uint8_t* nal, size_t size) {
    std::vector<uint8_t> rbsp;
    rbsp.reserve(size);
    int zeros = 0;
    for (size_t i = 1; i < size; ++i) {
        if (zeros >= 2 && nal[i] == 3) {
            zeros = 0;
            continue;
        }
        zeros = nal[i] == 0 ? zeros + 1 : 0;
        rbsp.push_back(nal[i]);
    }
    return rbsp;
}

// Appends a NAL unit: start code, header byte, payload with emulation
// prevention bytes put in.
void AppendNal(uint8_t header, const std::vector<uint8_t>& rbsp, std::vector<uint8_t>* out) {
    out->insert(out->end(), {0, 0, 0, 1, header});
    int zeros = 0;
    for (uint8_t byte : rbsp) {
        if (zeros >= 2 && byte <= 3) {
            out->push_back(3);
            zeros = 0;
        }
        out->push_back(byte);
        zeros = byte == 0 ? zeros + 1 : 0;
    }
}

// Copies `count` bits from the reader to the writer; whole bytes at once
// once both are on a byte boundary.
void CopyBits(BitReader& in, const std::vector<uint8_t>& from, size_t count, BitWriter& out,
              std::vector<uint8_t>* to) {
    const size_t end = in.Position() + count;
    while (in.Position() < end && (in.Position() % 8 != 0 || !out.Aligned())) out.Bit(in.Bit());
    const size_t bytes = (end - in.Position()) / 8;
    if (bytes > 0) {
        const size_t at = in.Position() / 8;
        to->insert(to->end(), from.begin() + std::ptrdiff_t(at),
                   from.begin() + std::ptrdiff_t(at + bytes));
        in.Skip(bytes * 8);
    }
    while (in.Position() < end) out.Bit(in.Bit());
}

// Where the RBSP's stop bit is (its last 1 bit), in bits; 0 when none.
size_t StopBit(const std::vector<uint8_t>& rbsp) {
    for (size_t i = rbsp.size(); i-- > 0;)
        if (rbsp[i] != 0)
            for (int b = 0; b < 8; ++b)
                if (rbsp[i] & (1 << b)) return i * 8 + size_t(7 - b);
    return 0;
}

// H.264's arithmetic coder, enough of it for slices of skipped macroblocks.
class CabacWriter {
public:
    explicit CabacWriter(std::vector<uint8_t>* out) : bits_(out) {}
    // A context from its (m, n) initialisation values at a slice QP.
    void Init(int m, int n, int qp) {
        const int pre = std::clamp(((m * std::clamp(qp, 0, 51)) >> 4) + n, 1, 126);
        mps_ = pre <= 63 ? 0 : 1;
        state_ = pre <= 63 ? 63 - pre : pre - 64;
    }
    void Decision(int bin) {
        const int lps = kRangeLps[state_][(range_ >> 6) & 3];
        range_ -= lps;
        if (bin != mps_) {
            low_ += range_;
            range_ = lps;
            if (state_ == 0) mps_ = 1 - mps_;
            state_ = kNextLps[state_];
        } else {
            state_ = std::min(state_ + 1, 62);
        }
        Renormalise();
    }
    // end_of_slice_flag; the last one also writes the stop bit.
    void Terminate(int bin) {
        range_ -= 2;
        if (!bin) {
            Renormalise();
            return;
        }
        low_ += range_;
        range_ = 2;
        Renormalise();
        Put((low_ >> 9) & 1);
        bits_.Bits(((low_ >> 7) & 3) | 1, 2);
        bits_.AlignWith(0);
    }

private:
    void Renormalise() {
        while (range_ < 256) {
            if (low_ < 256) {
                Put(0);
            } else if (low_ >= 512) {
                low_ -= 512;
                Put(1);
            } else {
                low_ -= 256;
                ++outstanding_;
            }
            range_ <<= 1;
            low_ <<= 1;
        }
    }
    void Put(int bit) {
        if (first_)
            first_ = false;
        else
            bits_.Bit(uint32_t(bit));
        for (; outstanding_ > 0; --outstanding_) bits_.Bit(uint32_t(1 - bit));
    }

    // The standard's rangeTabLPS and transIdxLPS.
    static constexpr uint8_t kRangeLps[64][4] = {
        {128, 176, 208, 240}, {128, 167, 197, 227}, {128, 158, 187, 216}, {123, 150, 178, 205},
        {116, 142, 169, 195}, {111, 135, 160, 185}, {105, 128, 152, 175}, {100, 122, 144, 166},
        {95, 116, 137, 158},  {90, 110, 130, 150},  {85, 104, 123, 142},  {81, 99, 117, 135},
        {77, 94, 111, 128},   {73, 89, 105, 122},   {69, 85, 100, 116},   {66, 80, 95, 110},
        {62, 76, 90, 104},    {59, 72, 86, 99},     {56, 69, 81, 94},     {53, 65, 77, 89},
        {51, 62, 73, 85},     {48, 59, 69, 80},     {46, 56, 66, 76},     {43, 53, 63, 72},
        {41, 50, 59, 69},     {39, 48, 56, 65},     {37, 45, 54, 62},     {35, 43, 51, 59},
        {33, 41, 48, 56},     {32, 39, 46, 53},     {30, 37, 43, 50},     {29, 35, 41, 48},
        {27, 33, 39, 45},     {26, 31, 37, 43},     {24, 30, 35, 41},     {23, 28, 33, 39},
        {22, 27, 32, 37},     {21, 26, 30, 35},     {20, 24, 29, 33},     {19, 23, 27, 31},
        {18, 22, 26, 30},     {17, 21, 25, 28},     {16, 20, 23, 27},     {15, 19, 22, 25},
        {14, 18, 21, 24},     {14, 17, 20, 23},     {13, 16, 19, 22},     {12, 15, 18, 21},
        {12, 14, 17, 20},     {11, 14, 16, 19},     {11, 13, 15, 18},     {10, 12, 15, 17},
        {10, 12, 14, 16},     {9, 11, 13, 15},      {9, 11, 12, 14},      {8, 10, 12, 14},
        {8, 9, 11, 13},       {7, 9, 11, 12},       {7, 9, 10, 12},       {7, 8, 10, 11},
        {6, 8, 9, 11},        {6, 7, 9, 10},        {6, 7, 8, 9},         {2, 2, 2, 2}};
    static constexpr uint8_t kNextLps[64] = {
        0,  0,  1,  2,  2,  4,  4,  5,  6,  7,  8,  9,  9,  11, 11, 12, 13, 13, 15, 15, 16, 16,
        18, 18, 19, 19, 21, 21, 22, 22, 23, 24, 24, 25, 26, 26, 27, 27, 28, 29, 29, 30, 30, 30,
        31, 32, 32, 33, 33, 33, 34, 34, 35, 35, 35, 36, 36, 36, 37, 37, 37, 38, 38, 63};

    BitWriter bits_;
    int low_ = 0;
    int range_ = 510;
    int outstanding_ = 0;
    bool first_ = true;
    int state_ = 0;
    int mps_ = 0;
};

}  // namespace

bool H264Repeats::Open(const uint8_t* headers, int size, std::vector<uint8_t>* widened,
                       std::string* error) {
    bool haveSps = false, havePps = false;
    std::string problem;
    widened->clear();
    ForEachNal(headers, size_t(size), [&](const uint8_t* nal, size_t length) {
        const int type = nal[0] & 0x1f;
        if (!problem.empty() || (type != kNalSps && type != kNalPps)) {
            widened->insert(widened->end(), {0, 0, 0, 1});
            widened->insert(widened->end(), nal, nal + length);
            return;
        }
        const std::vector<uint8_t> rbsp = Unescape(nal, length);
        BitReader in(rbsp.data(), rbsp.size());
        if (type == kNalPps) {
            Pps& p = pps_;
            p.id = int(in.Ue());
            in.Ue();  // its SPS
            p.cabac = in.Bit();
            p.bottomFieldPoc = in.Bit();
            if (in.Ue() != 0) problem = "slice groups";
            in.Ue();  // default reference counts
            in.Ue();
            p.weightedPred = in.Bit();
            in.Bits(2);
            p.initQp = 26 + in.Se();
            in.Se();
            in.Se();
            p.deblockingControl = in.Bit();
            in.Bit();
            p.redundantPicCount = in.Bit();
            if (!in.Ok()) problem = "a damaged picture parameter set";
            havePps = true;
            widened->insert(widened->end(), {0, 0, 0, 1});
            widened->insert(widened->end(), nal, nal + length);
            return;
        }
        Sps& s = sps_;
        const uint32_t profile = in.Bits(8);
        in.Bits(16);  // constraint flags, level
        s.id = int(in.Ue());
        static const std::array<uint32_t, 13> kHighProfiles = {100, 110, 122, 244, 44,  83, 86,
                                                               118, 128, 138, 139, 134, 135};
        if (std::find(kHighProfiles.begin(), kHighProfiles.end(), profile) != kHighProfiles.end()) {
            s.chromaFormat = int(in.Ue());
            if (s.chromaFormat == 3) s.separateColourPlanes = in.Bit();
            in.Ue();  // bit depths
            in.Ue();
            in.Bit();        // lossless bypass
            if (in.Bit()) {  // scaling matrices
                for (int i = 0; i < (s.chromaFormat != 3 ? 8 : 12); ++i) {
                    if (!in.Bit()) continue;
                    int last = 8, next = 8;
                    for (int j = 0; j < (i < 6 ? 16 : 64) && next != 0; ++j) {
                        next = (last + in.Se() + 256) % 256;
                        if (next != 0) last = next;
                    }
                }
            }
        }
        s.frameNumBits = int(in.Ue()) + 4;
        // The count's type, and its field's width: x264 counts explicitly
        // (type 0) with B-frames and derives the count from the frame number
        // (type 2) without them.
        const size_t pocAt = in.Position();
        s.pocType = int(in.Ue());
        if (s.pocType == 0) s.pocBits = int(in.Ue()) + 4;
        const size_t pocEnd = in.Position();
        if (s.pocType != 0 && s.pocType != 2) {
            problem = "picture order count type 1";
            return;
        }
        in.Ue();   // reference frames
        in.Bit();  // gaps
        s.widthMbs = int(in.Ue()) + 1;
        s.heightMbs = int(in.Ue()) + 1;
        s.framesOnly = in.Bit();
        if (!in.Ok()) problem = "a damaged sequence parameter set";
        if (!s.framesOnly) problem = "fields";
        if (s.separateColourPlanes) problem = "separate colour planes";
        // Slices get a count field 8 bits wider than x264's, or (type 2) one
        // of 16 bits where there was none: either way their headers grow by
        // whole bytes.
        pocBits_ = s.pocType == 0 ? s.pocBits + kExtraPocBits : 16;
        if (pocBits_ > 16) problem = "a picture order count field too wide to widen";
        if (!problem.empty()) return;
        // The same set counting explicitly in the wider field.
        std::vector<uint8_t> out;
        BitWriter bits(&out);
        BitReader again(rbsp.data(), rbsp.size());
        CopyBits(again, rbsp, pocAt, bits, &out);
        bits.Ue(0);
        bits.Ue(uint32_t(pocBits_ - 4));
        again = BitReader(rbsp.data(), rbsp.size());
        again.Skip(pocEnd);
        CopyBits(again, rbsp, StopBit(rbsp) - pocEnd, bits, &out);
        bits.Bit(1);
        bits.AlignWith(0);
        AppendNal(nal[0], out, widened);
        haveSps = true;
    });
    if (problem.empty() && (!haveSps || !havePps)) problem = "no parameter sets";
    if (problem.empty() && !pps_.cabac) problem = "CAVLC";
    if (!problem.empty()) {
        *error = "x264 wrote a stream this writer cannot add frames to (" + problem + ")";
        return false;
    }
    // Every macroblock skipped, each followed by end_of_slice_flag.
    skipData_.clear();
    CabacWriter cabac(&skipData_);
    cabac.Init(23, 33, pps_.initQp);  // mb_skip_flag in P slices, cabac_init_idc 0
    const int macroblocks = sps_.widthMbs * sps_.heightMbs;
    for (int i = 0; i < macroblocks; ++i) {
        cabac.Decision(1);
        cabac.Terminate(i + 1 == macroblocks);
    }
    return true;
}

uint32_t H264Repeats::PocLsb(int64_t frame) const {
    return uint32_t(2 * (frame - idrFrame_)) & ((uint32_t(1) << pocBits_) - 1);
}

bool H264Repeats::Restamp(const uint8_t* data, int size, int64_t frame, std::vector<uint8_t>* out,
                          std::string* error) {
    out->clear();
    out->reserve(size_t(size) + 16);
    bool ok = true;
    ForEachNal(data, size_t(size), [&](const uint8_t* nal, size_t length) {
        const int type = nal[0] & 0x1f;
        if (!ok || (type != kNalSlice && type != kNalIdrSlice)) {
            out->insert(out->end(), {0, 0, 0, 1});
            out->insert(out->end(), nal, nal + length);
            return;
        }
        const std::vector<uint8_t> rbsp = Unescape(nal, length);
        BitReader in(rbsp.data(), rbsp.size());
        in.Ue();  // first macroblock
        in.Ue();  // slice type
        in.Ue();  // picture parameter set
        const uint32_t frameNum = in.Bits(sps_.frameNumBits);
        if (type == kNalIdrSlice) {
            in.Ue();
            idrFrame_ = frame;
        }
        const size_t pocAt = in.Position();
        if (!in.Ok() || pocAt + size_t(sps_.pocType == 0 ? sps_.pocBits : 0) > in.SizeInBits()) {
            ok = false;
            return;
        }
        if (nal[0] & 0x60) lastReferenceFrameNum_ = frameNum;
        std::vector<uint8_t> rewritten;
        rewritten.reserve(rbsp.size() + 1);
        BitWriter bits(&rewritten);
        BitReader again(rbsp.data(), rbsp.size());
        CopyBits(again, rbsp, pocAt, bits, &rewritten);
        bits.Bits(PocLsb(frame), pocBits_);
        if (sps_.pocType == 0) again.Skip(size_t(sps_.pocBits));
        CopyBits(again, rbsp, rbsp.size() * 8 - again.Position(), bits, &rewritten);
        AppendNal(nal[0], rewritten, out);
    });
    if (!ok) *error = "a damaged slice from x264";
    return ok;
}

void H264Repeats::Repeat(int64_t frame, std::vector<uint8_t>* out) {
    std::vector<uint8_t> rbsp;
    BitWriter bits(&rbsp);
    bits.Ue(0);  // first macroblock
    bits.Ue(0);  // P
    bits.Ue(uint32_t(pps_.id));
    bits.Bits((lastReferenceFrameNum_ + 1) & ((uint32_t(1) << sps_.frameNumBits) - 1),
              sps_.frameNumBits);
    bits.Bits(PocLsb(frame), pocBits_);
    if (pps_.bottomFieldPoc) bits.Se(0);
    if (pps_.redundantPicCount) bits.Ue(0);
    bits.Bit(1);  // one reference picture: the last one
    bits.Ue(0);
    bits.Bit(0);  // the list as it is
    if (pps_.weightedPred) {
        const bool chroma = sps_.chromaFormat != 0;
        bits.Ue(0);
        if (chroma) bits.Ue(0);
        bits.Bit(0);  // default weights
        if (chroma) bits.Bit(0);
    }
    bits.Ue(0);                              // cabac_init_idc
    bits.Se(0);                              // the picture's QP
    if (pps_.deblockingControl) bits.Ue(1);  // nothing to smooth
    bits.AlignWith(1);
    rbsp.insert(rbsp.end(), skipData_.begin(), skipData_.end());
    out->clear();
    AppendNal(0x01, rbsp, out);  // not a reference, non-IDR slice
}

}  // namespace vm
