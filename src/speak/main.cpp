// vidmill-speak: the speech engines in a process of their own. Reads speak
// requests on standard input and answers on standard output (SpeechProtocol.h),
// one at a time, until its input closes; it ends as soon as the program that
// started it is gone, even in the middle of a text. Started by SpeechHelper;
// not meant to be run by hand.
//
// The same text must always sound the same, whatever the helper spoke before,
// so that a batch repeated with its seed gives the same files. espeak-ng and
// flite vary their voices with the C library's random numbers, which are
// seeded alike for every text; espeak-ng also carries its pitch flutter and
// gain over from one text to the next, so it speaks each text in a child
// forked from this process once the voice is loaded (an espeak-ng crash then
// ends only that child). festival and flite speak here: festival speaks a
// text the same whatever came before, and a fork would cost it a quarter of
// its time.
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "SpeechEngine.h"
#include "SpeechProtocol.h"

namespace {

using vm::speech::SpeakReply;
using vm::speech::SpeakRequest;

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

std::string Failure(const std::string& message) {
    SpeakReply reply;
    reply.error = message;
    return vm::speech::protocol::EncodeReply(reply);
}

std::string LastLine(const std::string& text) {
    const size_t end = text.find_last_not_of(" \r\n\t");
    if (end == std::string::npos) return {};
    const size_t begin = text.find_last_of('\n', end);
    return text.substr(begin == std::string::npos ? 0 : begin + 1, end - begin);
}

// The framed answer of one text spoken in this process.
std::string Speak(vm::speech::SpeechEngine& engine, const SpeakRequest& request) {
    std::srand(1);
    vm::speech::EngineAudio audio;
    SpeakReply reply;
    reply.ok = engine.Synthesize(request.voiceId, request.text, request.markup, request.rate,
                                 &audio, &reply.error);
    if (!reply.ok && reply.error.empty()) reply.error = request.engine + " could not speak";
    reply.sampleRate = audio.sampleRate;
    reply.samples = std::move(audio.samples);
    reply.tokens = std::move(audio.tokens);
    return vm::speech::protocol::EncodeReply(reply);
}

// Speaks in a forked child and returns its framed answer, or a failure
// saying how the child ended.
std::string SpeakInChild(vm::speech::SpeechEngine& engine, const SpeakRequest& request) {
    int answer[2];
    int said[2];
    if (pipe2(answer, O_CLOEXEC) != 0) return Failure("no pipe for the speech engine");
    if (pipe2(said, O_CLOEXEC) != 0) {
        close(answer[0]);
        close(answer[1]);
        return Failure("no pipe for the speech engine");
    }
    const pid_t helper = getpid();
    const pid_t child = fork();
    if (child == 0) {
        // Goes with the helper, however the helper ends.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != helper) _exit(6);
        close(answer[0]);
        close(said[0]);
        dup2(said[1], STDERR_FILENO);
        dup2(said[1], STDOUT_FILENO);
        const std::string reply = Speak(engine, request);
        std::fflush(stdout);
        std::fflush(stderr);
        _exit(WriteAll(answer[1], reply) ? 0 : 5);
    }
    close(answer[1]);
    close(said[1]);
    if (child < 0) {
        close(answer[0]);
        close(said[0]);
        return Failure(std::string("the speech engine could not start: ") + std::strerror(errno));
    }
    std::string message;
    std::string stderrText;
    pollfd fds[2] = {{answer[0], POLLIN, 0}, {said[0], POLLIN, 0}};
    char buffer[64 * 1024];
    for (int open = 2; open > 0;) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (pollfd& p : fds) {
            if (p.fd < 0 || !p.revents) continue;
            const ssize_t n = read(p.fd, buffer, sizeof buffer);
            if (n > 0) {
                std::string& into = p.fd == answer[0] ? message : stderrText;
                into.append(buffer, size_t(n));
                if (&into == &stderrText && stderrText.size() > 8192)
                    stderrText.erase(0, stderrText.size() - 4096);
            } else if (n == 0 || errno != EINTR) {
                close(p.fd);
                p.fd = -1;
                --open;
            }
        }
    }
    for (pollfd& p : fds)
        if (p.fd >= 0) close(p.fd);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    uint32_t length = 0;
    const bool complete =
        message.size() >= sizeof length && (std::memcpy(&length, message.data(), sizeof length),
                                            message.size() == sizeof length + length);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && complete) return message;

    std::string why = request.engine + " ";
    if (WIFSIGNALED(status)) {
        why += "crashed (signal " + std::to_string(WTERMSIG(status)) + ", " +
               strsignal(WTERMSIG(status)) + ")";
    } else {
        why += "ended with exit code " + std::to_string(WEXITSTATUS(status)) + " while speaking";
    }
    const std::string last = LastLine(stderrText);
    if (!last.empty()) why += ": " + last;
    return Failure(why);
}

// Ends this helper (and the child speaking for it) once the program that
// started it is gone, however it went (kill -9 included), also in the middle
// of a text: its end of the connection closes, which shows on ours without
// a byte being read.
void EndWithTheProgram(int connection) {
    std::thread([connection] {
        for (;;) {
            pollfd watch{connection, POLLRDHUP, 0};
            const int ready = poll(&watch, 1, -1);
            if (ready < 0 && errno == EINTR) continue;
            if (ready < 0 || (watch.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL))) _exit(0);
        }
    }).detach();
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
    std::signal(SIGPIPE, SIG_IGN);
    // This process hands samples back and never plays a sound, but espeak-ng
    // opens an audio device as it starts its output. Pointed at no sound
    // server, libpulse connects nowhere: no runtime folder in the user's
    // home, no sound daemon started, nothing held.
    setenv("PULSE_SERVER", "unix:/dev/null", 1);
    EndWithTheProgram(input);

    for (;;) {
        uint32_t length = 0;
        if (!ReadAll(input, reinterpret_cast<char*>(&length), sizeof length)) return 0;
        if (length > vm::speech::kLargestSpeechMessage) return 4;
        std::string body(length, '\0');
        if (!ReadAll(input, body.data(), length)) return 0;

        SpeakRequest request;
        std::string error;
        std::string answer;
        if (!vm::speech::protocol::DecodeRequest(body, &request)) {
            answer = Failure("the speech helper could not read the request");
        } else if (auto engine = Engine(request.engine, &error)) {
            if (!engine->PrepareVoice(request.voiceId, &error))
                answer = Failure(error);
            else if (engine->CarriesStateOver())
                answer = SpeakInChild(*engine, request);
            else
                answer = Speak(*engine, request);
        } else {
            answer = Failure(error);
        }
        std::fflush(stdout);
        if (!WriteAll(channel, answer)) return 0;
    }
}
