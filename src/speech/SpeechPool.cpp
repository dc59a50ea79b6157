#include "SpeechPool.h"

#include <algorithm>
#include <chrono>

namespace vm::speech {
namespace {

// Longer than any one request may take (SpeechHelper's bound for a text of
// a few thousand characters): a wait this long means the helpers are stuck.
constexpr auto kLongestWaitForHelper = std::chrono::minutes(10);

}  // namespace

SpeechPool::SpeechPool(std::string program, int size) {
    for (int i = 0; i < std::max(1, size); ++i)
        helpers_.push_back(std::make_unique<SpeechHelper>(program));
    busy_.assign(helpers_.size(), false);
}

bool SpeechPool::Speak(const SpeakRequest& request, EngineAudio* audio, std::string* error) {
    size_t mine = 0;
    {
        std::unique_lock lock(mutex_);
        auto free = [&] { return std::find(busy_.begin(), busy_.end(), false) != busy_.end(); };
        if (!freed_.wait_for(lock, kLongestWaitForHelper, [&] { return aborted_ || free(); })) {
            *error = "no speech helper was free within 10 minutes";
            return false;
        }
        if (aborted_) {
            *error = "speech was stopped";
            return false;
        }
        mine = size_t(std::find(busy_.begin(), busy_.end(), false) - busy_.begin());
        busy_[mine] = true;
    }
    const bool ok = helpers_[mine]->Speak(request, audio, error);
    {
        std::lock_guard lock(mutex_);
        busy_[mine] = false;
    }
    freed_.notify_one();
    return ok;
}

void SpeechPool::Abort() {
    {
        std::lock_guard lock(mutex_);
        aborted_ = true;
    }
    for (const auto& helper : helpers_) helper->Abort();
    freed_.notify_all();
}

std::vector<std::shared_ptr<SpeechEngine>> HelperEngines(std::shared_ptr<SpeechPool> pool) {
    const int size = pool->Size();
    return HelperEngines([pool](const SpeakRequest& request, EngineAudio* audio,
                                std::string* error) { return pool->Speak(request, audio, error); },
                         size);
}

}  // namespace vm::speech
