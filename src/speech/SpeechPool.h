#pragma once

// A few vidmill-speak helpers that speak for everyone who holds the pool:
// each request takes a helper that is free (the first free one, so a lone
// caller keeps one warm helper) and gives it back when it is answered. Sized
// to the processor cores, it lets one narration speak several lines at once
// and several videos share the helpers without speech ever wanting more
// cores than there are. Standard library only.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "SpeechHelper.h"

namespace vm::speech {

class SpeechPool {
public:
    // `size` helpers at most (1 when less), each started when first needed.
    SpeechPool(std::string program, int size);
    SpeechPool(const SpeechPool&) = delete;
    SpeechPool& operator=(const SpeechPool&) = delete;

    int Size() const { return int(helpers_.size()); }

    // From any thread: speaks one request with a free helper, waiting for
    // one while all are busy (each busy one is bounded by its own time
    // limit). Fails as SpeechHelper::Speak does.
    bool Speak(const SpeakRequest& request, EngineAudio* audio, std::string* error);

    // From any thread: ends every request in progress at once and refuses
    // every later one ("speech was stopped").
    void Abort();

private:
    std::vector<std::unique_ptr<SpeechHelper>> helpers_;
    std::vector<bool> busy_;
    std::mutex mutex_;
    std::condition_variable freed_;
    bool aborted_ = false;
};

// The engines of HelperEngines, speaking through the pool: several of their
// Synthesize calls may run at once (ParallelRequests is the pool's size).
std::vector<std::shared_ptr<SpeechEngine>> HelperEngines(std::shared_ptr<SpeechPool> pool);

}  // namespace vm::speech
