#pragma once

#include <QString>

// One installed voice: which engine speaks it, the engine's own voice id, and
// a description naming the voice, its language in English words and the
// engine, e.g. "cmu_us_slt_arctic_hts - English (America), female (festival)".
class VoiceToken {
public:
    VoiceToken() = default;
    VoiceToken(QString engine, QString id, QString description)
        : engine_(std::move(engine)), id_(std::move(id)), description_(std::move(description)) {}

    QString GetDescription(int locale = 0) const { return description_; }
    QString Engine() const { return engine_; }
    QString Id() const { return id_; }
    bool IsNull() const { return engine_.isEmpty(); }

private:
    QString engine_;
    QString id_;
    QString description_;
};
