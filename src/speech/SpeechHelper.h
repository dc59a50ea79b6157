#pragma once

// Speech in a helper process (vidmill-speak): the engines run there, one
// request at a time, and this side sends text and gets samples back. A crash
// or a hang of an engine fails that one request with a message; the helper is
// started again for the next. Several helpers speak in parallel, festival
// included. Standard library only.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "SpeechEngine.h"
#include "SpeechProtocol.h"

namespace vm::speech {

class SpeechHelper {
public:
    // `program` is the helper's path (vidmill-speak beside the program).
    explicit SpeechHelper(std::string program);
    ~SpeechHelper();  // ends the helper process
    SpeechHelper(const SpeechHelper&) = delete;
    SpeechHelper& operator=(const SpeechHelper&) = delete;

    // Speaks one request, starting the helper when it is not running. False
    // with the reason when the engine refused, the helper died or it did not
    // answer within a bound that grows with the text.
    bool Speak(const SpeakRequest& request, EngineAudio* audio, std::string* error);

    // From any thread: ends a Speak in progress at once and refuses every
    // later one ("speech was stopped").
    void Abort();

    // The helper's process id while it runs, else 0 (for tests).
    int ProcessId() const { return pid_.load(); }

private:
    bool Start(std::string* error);
    // Kills and reaps the helper; the reason it ended, in words.
    std::string Reap();
    bool Exchange(const std::string& message, std::string* body, int timeoutMs, std::string* error);

    std::string program_;
    std::mutex mutex_;  // one request at a time
    std::atomic<int> pid_{0};
    std::atomic<bool> aborted_{false};
    int socket_ = -1;
    int stderr_ = -1;
    std::string stderrTail_;
};

// Engines with the names and voices of this machine's engines whose speech
// is made by `helper`. Listing voices stays in this process: it is quick and
// speaks nothing.
std::vector<std::shared_ptr<SpeechEngine>> HelperEngines(std::shared_ptr<SpeechHelper> helper);

// The same over any way of speaking a request in a helper; `parallel` is how
// many requests it speaks at once (the engines' ParallelRequests).
using HelperSpeak = std::function<bool(const SpeakRequest&, EngineAudio*, std::string*)>;
std::vector<std::shared_ptr<SpeechEngine>> HelperEngines(HelperSpeak speak, int parallel);

}  // namespace vm::speech
