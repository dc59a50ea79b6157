// vidmill-speak: the speech engines in a process of their own. Reads speak
// requests on standard input and answers on standard output (SpeechProtocol.h),
// one at a time, until its input closes. Started by SpeechHelper; not meant
// to be run by hand.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "SpeechEngine.h"
#include "SpeechProtocol.h"

namespace {

bool ReadAll(int fd, char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = read(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

bool WriteAll(int fd, const std::string& bytes) {
    const char* data = bytes.data();
    size_t size = bytes.size();
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

std::shared_ptr<vm::speech::SpeechEngine> Engine(const std::string& name, std::string* error) {
    static std::map<std::string, std::shared_ptr<vm::speech::SpeechEngine>> started;
    if (auto found = started.find(name); found != started.end()) return found->second;
    std::shared_ptr<vm::speech::SpeechEngine> engine;
    if (name == "espeak-ng")
        engine = vm::speech::EspeakEngine(error);
    else if (name == "flite")
        engine = vm::speech::FliteEngine(error);
    else if (name == "festival")
        engine = vm::speech::FestivalEngine(error);
    else
        *error = "there is no speech engine called " + name;
    if (engine) started[name] = engine;
    return engine;
}

}  // namespace

int main() {
    // The messages keep standard output to themselves: anything an engine
    // prints goes to standard error instead.
    const int channel = dup(STDOUT_FILENO);
    if (channel < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) return 3;
    const int input = dup(STDIN_FILENO);
    const int devnull = open("/dev/null", O_RDONLY);
    if (input < 0 || devnull < 0 || dup2(devnull, STDIN_FILENO) < 0) return 3;
    close(devnull);

    for (;;) {
        uint32_t length = 0;
        if (!ReadAll(input, reinterpret_cast<char*>(&length), sizeof length)) return 0;
        if (length > vm::speech::kLargestSpeechMessage) return 4;
        std::string body(length, '\0');
        if (!ReadAll(input, body.data(), length)) return 0;

        vm::speech::SpeakRequest request;
        vm::speech::SpeakReply reply;
        vm::speech::EngineAudio audio;
        if (!vm::speech::protocol::DecodeRequest(body, &request)) {
            reply.error = "the speech helper could not read the request";
        } else if (auto engine = Engine(request.engine, &reply.error)) {
            reply.ok = engine->Synthesize(request.voiceId, request.text, request.markup, &audio,
                                          &reply.error);
            reply.sampleRate = audio.sampleRate;
            reply.samples = std::move(audio.samples);
        }
        if (!reply.ok && reply.error.empty()) reply.error = request.engine + " could not speak";
        std::fflush(stdout);
        if (!WriteAll(channel, vm::speech::protocol::EncodeReply(reply))) return 0;
    }
}
