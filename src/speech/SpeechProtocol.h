#pragma once

// The messages between a speech client and the vidmill-speak helper process,
// which runs the speech engines in a process of their own: an engine that
// crashes or runs out of memory takes only the helper down, and several
// helpers speak at once although festival's interpreter is process-wide.
// Standard library only, like the engine adapters that use it.
//
// Every message is a 32-bit length followed by that many bytes. A request
// holds the engine's name, the voice id, the text, the markup flag and the
// speech rate; a
// reply holds ok, an error text, the sample rate and the 16-bit samples.
// Numbers are in the machine's own byte order: both ends are built together.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "SpeechEngine.h"

namespace vm::speech {

struct SpeakRequest {
    std::string engine;
    std::string voiceId;
    std::string text;
    bool markup = false;
    double rate = 1.0;
};

struct SpeakReply {
    bool ok = false;
    std::string error;
    int sampleRate = 0;
    std::vector<int16_t> samples;
    std::vector<TokenSpan> tokens;
};

// Longest message either side accepts: a reply of about 2 hours of 32 kHz speech.
constexpr uint32_t kLargestSpeechMessage = 512u * 1024u * 1024u;

namespace protocol {

class Writer {
public:
    void U32(uint32_t v) { Raw(&v, sizeof v); }
    void I32(int32_t v) { Raw(&v, sizeof v); }
    void I64(int64_t v) { Raw(&v, sizeof v); }
    void F64(double v) { Raw(&v, sizeof v); }
    void Text(const std::string& s) {
        U32(static_cast<uint32_t>(s.size()));
        Raw(s.data(), s.size());
    }
    void Raw(const void* data, size_t size) {
        const auto* bytes = static_cast<const char*>(data);
        buffer_.insert(buffer_.end(), bytes, bytes + size);
    }
    // The message with its length in front.
    std::string Message() const {
        std::string out(sizeof(uint32_t), '\0');
        const auto size = static_cast<uint32_t>(buffer_.size());
        std::memcpy(out.data(), &size, sizeof size);
        out.append(buffer_.data(), buffer_.size());
        return out;
    }

private:
    std::vector<char> buffer_;
};

class Reader {
public:
    explicit Reader(const std::string& body) : body_(body) {}
    bool U32(uint32_t* v) { return Raw(v, sizeof *v); }
    bool I32(int32_t* v) { return Raw(v, sizeof *v); }
    bool I64(int64_t* v) { return Raw(v, sizeof *v); }
    bool F64(double* v) { return Raw(v, sizeof *v); }
    bool Text(std::string* s) {
        uint32_t size = 0;
        if (!U32(&size) || size > body_.size() - at_) return false;
        s->assign(body_, at_, size);
        at_ += size;
        return true;
    }
    bool Raw(void* out, size_t size) {
        if (size > body_.size() - at_) return false;
        std::memcpy(out, body_.data() + at_, size);
        at_ += size;
        return true;
    }
    bool AtEnd() const { return at_ == body_.size(); }

private:
    const std::string& body_;
    size_t at_ = 0;
};

inline std::string EncodeRequest(const SpeakRequest& r) {
    Writer w;
    w.Text(r.engine);
    w.Text(r.voiceId);
    w.Text(r.text);
    w.U32(r.markup ? 1 : 0);
    w.F64(r.rate);
    return w.Message();
}

inline bool DecodeRequest(const std::string& body, SpeakRequest* r) {
    Reader in(body);
    uint32_t markup = 0;
    if (!in.Text(&r->engine) || !in.Text(&r->voiceId) || !in.Text(&r->text) || !in.U32(&markup) ||
        !in.F64(&r->rate))
        return false;
    r->markup = markup != 0;
    return in.AtEnd();
}

inline std::string EncodeReply(const SpeakReply& r) {
    Writer w;
    w.U32(r.ok ? 1 : 0);
    w.Text(r.error);
    w.I32(r.sampleRate);
    w.U32(static_cast<uint32_t>(r.samples.size()));
    w.Raw(r.samples.data(), r.samples.size() * sizeof(int16_t));
    w.U32(static_cast<uint32_t>(r.tokens.size()));
    for (const TokenSpan& t : r.tokens) {
        w.I32(t.token);
        w.I64(t.start);
        w.I64(t.end);
    }
    return w.Message();
}

inline bool DecodeReply(const std::string& body, SpeakReply* r) {
    Reader in(body);
    uint32_t ok = 0;
    uint32_t count = 0;
    int32_t rate = 0;
    if (!in.U32(&ok) || !in.Text(&r->error) || !in.I32(&rate) || !in.U32(&count)) return false;
    r->ok = ok != 0;
    r->sampleRate = rate;
    if (count > (kLargestSpeechMessage / sizeof(int16_t))) return false;
    r->samples.resize(count);
    uint32_t tokens = 0;
    if (!in.Raw(r->samples.data(), count * sizeof(int16_t)) || !in.U32(&tokens)) return false;
    if (tokens > count + 1u) return false;
    r->tokens.resize(tokens);
    for (TokenSpan& t : r->tokens) {
        int32_t token = 0;
        if (!in.I32(&token) || !in.I64(&t.start) || !in.I64(&t.end)) return false;
        t.token = token;
    }
    return in.AtEnd();
}

}  // namespace protocol
}  // namespace vm::speech
