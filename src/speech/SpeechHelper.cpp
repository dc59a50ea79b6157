#include "SpeechHelper.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

extern char** environ;

namespace vm::speech {
namespace {

using Clock = std::chrono::steady_clock;

// Enough of the helper's own complaints to say why it died.
constexpr size_t kStderrKeep = 2048;

// A request may take this long plus a little per character: festival speaks
// about 100 characters a second on a slow machine, espeak-ng far faster.
constexpr int kBaseTimeoutMs = 60000;
constexpr int kTimeoutPerCharMs = 20;

std::string LastLine(const std::string& text) {
    size_t end = text.find_last_not_of(" \r\n\t");
    if (end == std::string::npos) return {};
    const size_t begin = text.find_last_of('\n', end);
    return text.substr(begin == std::string::npos ? 0 : begin + 1, end + 1 - (begin + 1));
}

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

class HelperEngine final : public SpeechEngine {
public:
    HelperEngine(std::shared_ptr<SpeechEngine> local, HelperSpeak speak, int parallel)
        : local_(std::move(local)), speak_(std::move(speak)), parallel_(parallel) {}

    std::string Name() const override { return local_->Name(); }
    bool ListVoices(std::vector<EngineVoice>* voices, std::string* error) override {
        return local_->ListVoices(voices, error);
    }
    bool SpeaksMarkup() const override { return local_->SpeaksMarkup(); }
    int LongestText() const override { return local_->LongestText(); }
    int ParallelRequests() const override { return parallel_; }
    bool Synthesize(const std::string& voiceId, const std::string& text, bool markup, double rate,
                    EngineAudio* audio, std::string* error) override {
        return speak_({Name(), voiceId, text, markup, rate}, audio, error);
    }

private:
    std::shared_ptr<SpeechEngine> local_;
    HelperSpeak speak_;
    int parallel_ = 1;
};

}  // namespace

SpeechHelper::SpeechHelper(std::string program) : program_(std::move(program)) {}

SpeechHelper::~SpeechHelper() {
    std::lock_guard lock(mutex_);
    if (pid_.load() > 0) Reap();
}

bool SpeechHelper::Start(std::string* error) {
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        *error = std::string("cannot connect to the speech helper: ") + std::strerror(errno);
        return false;
    }
    int err[2];
    if (pipe2(err, O_CLOEXEC) != 0) {
        *error = std::string("cannot connect to the speech helper: ") + std::strerror(errno);
        close(pair[0]);
        close(pair[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pair[1], 0);
    posix_spawn_file_actions_adddup2(&actions, pair[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    // The helper must not inherit a blocked or ignored SIGPIPE/SIGTERM from us.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    char* argv[] = {const_cast<char*>(program_.c_str()), nullptr};
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program_.c_str(), &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(pair[1]);
    close(err[1]);
    if (rc != 0) {
        close(pair[0]);
        close(err[0]);
        *error = "the speech helper " + program_ + " could not be started: " + std::strerror(rc);
        return false;
    }
    socket_ = pair[0];
    stderr_ = err[0];
    stderrTail_.clear();
    pid_ = pid;
    return true;
}

std::string SpeechHelper::Reap() {
    const int pid = pid_.exchange(0);
    if (socket_ >= 0) close(socket_);
    socket_ = -1;
    if (stderr_ >= 0) {
        // What it said before it went: read without waiting.
        char buffer[1024];
        for (int i = 0; i < 64; ++i) {
            pollfd p{stderr_, POLLIN, 0};
            if (poll(&p, 1, 0) <= 0) break;
            const ssize_t n = read(stderr_, buffer, sizeof buffer);
            if (n <= 0) break;
            stderrTail_.append(buffer, size_t(n));
        }
        close(stderr_);
        stderr_ = -1;
    }
    if (pid <= 0) return {};
    // A helper that crashed is already gone and keeps its own exit status.
    ::kill(pid, SIGKILL);
    int status = 0;
    const pid_t done = waitpid(pid, &status, 0);
    std::string why;
    if (done == pid && WIFSIGNALED(status) && WTERMSIG(status) != SIGKILL) {
        why = "it crashed (signal " + std::to_string(WTERMSIG(status)) + ", " +
              strsignal(WTERMSIG(status)) + ")";
    } else if (done == pid && WIFEXITED(status)) {
        why = "it ended with exit code " + std::to_string(WEXITSTATUS(status));
    } else {
        why = "it was stopped";
    }
    const std::string said = LastLine(stderrTail_);
    if (!said.empty()) why += ": " + said;
    return why;
}

bool SpeechHelper::Exchange(const std::string& message, std::string* body, int timeoutMs,
                            std::string* error) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t sent = 0;
    std::string header;
    bool haveLength = false;
    uint32_t length = 0;
    char buffer[64 * 1024];
    body->clear();
    for (;;) {
        pollfd fds[2] = {{socket_, short(POLLIN | (sent < message.size() ? POLLOUT : 0)), 0},
                         {stderr_, POLLIN, 0}};
        const int ready = poll(fds, stderr_ >= 0 ? 2 : 1, MillisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) {
            *error = "it did not answer within " + std::to_string(timeoutMs / 1000) + " seconds";
            return false;
        }
        if (ready < 0) {
            *error = std::strerror(errno);
            return false;
        }
        if (stderr_ >= 0 && fds[1].revents) {
            const ssize_t n = read(stderr_, buffer, sizeof buffer);
            if (n > 0) {
                stderrTail_.append(buffer, size_t(n));
                if (stderrTail_.size() > 2 * kStderrKeep)
                    stderrTail_.erase(0, stderrTail_.size() - kStderrKeep);
            } else {
                close(stderr_);
                stderr_ = -1;
            }
        }
        if ((fds[0].revents & POLLOUT) && sent < message.size()) {
            const ssize_t n =
                send(socket_, message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
            if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
            if (n > 0) sent += size_t(n);
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = recv(socket_, buffer, sizeof buffer, 0);
            if (n == 0) return false;  // the helper went away
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR) continue;
                return false;
            }
            size_t used = 0;
            if (!haveLength) {
                used = std::min(size_t(n), sizeof length - header.size());
                header.append(buffer, used);
                if (header.size() < sizeof length) continue;
                std::memcpy(&length, header.data(), sizeof length);
                if (length > kLargestSpeechMessage) {
                    *error = "it sent a message that is too large";
                    return false;
                }
                body->reserve(length);
                haveLength = true;
            }
            body->append(buffer + used, size_t(n) - used);
            if (body->size() >= length) {
                if (body->size() > length) {
                    *error = "it sent more than one answer";
                    return false;
                }
                return true;
            }
        }
    }
}

bool SpeechHelper::Speak(const SpeakRequest& request, EngineAudio* audio, std::string* error) {
    std::lock_guard lock(mutex_);
    audio->samples.clear();
    auto stopped = [&] {
        *error = "speech was stopped";
        return false;
    };
    if (aborted_) return stopped();
    if (pid_.load() <= 0 && !Start(error)) return false;
    if (aborted_) {
        Reap();
        return stopped();
    }
    const int timeoutMs =
        kBaseTimeoutMs +
        static_cast<int>(std::min<size_t>(request.text.size(), 1u << 20)) * kTimeoutPerCharMs;
    std::string body;
    std::string why;
    if (!Exchange(protocol::EncodeRequest(request), &body, timeoutMs, &why)) {
        const std::string ended = Reap();
        if (aborted_) return stopped();
        *error = "the " + request.engine + " speech engine failed: " + (why.empty() ? ended : why);
        return false;
    }
    SpeakReply reply;
    if (!protocol::DecodeReply(body, &reply)) {
        Reap();
        *error = "the speech helper sent an answer that cannot be read";
        return false;
    }
    if (!reply.ok) {
        *error = reply.error;
        return false;
    }
    audio->sampleRate = reply.sampleRate;
    audio->samples = std::move(reply.samples);
    audio->tokens = std::move(reply.tokens);
    return true;
}

void SpeechHelper::Abort() {
    aborted_ = true;
    const int pid = pid_.load();
    if (pid > 0) ::kill(pid, SIGKILL);
}

std::vector<std::shared_ptr<SpeechEngine>> HelperEngines(HelperSpeak speak, int parallel) {
    std::vector<std::shared_ptr<SpeechEngine>> engines;
    std::string error;
    for (auto create : {EspeakEngine, FliteEngine, FestivalEngine}) {
        if (auto local = create(&error))
            engines.push_back(std::make_shared<HelperEngine>(std::move(local), speak, parallel));
    }
    return engines;
}

std::vector<std::shared_ptr<SpeechEngine>> HelperEngines(std::shared_ptr<SpeechHelper> helper) {
    return HelperEngines(
        [helper](const SpeakRequest& request, EngineAudio* audio, std::string* error) {
            return helper->Speak(request, audio, error);
        },
        1);
}

}  // namespace vm::speech
