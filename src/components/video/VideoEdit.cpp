// Temporary skeleton: replaced by the FFmpeg renderer.
#include "VideoEdit.h"

struct VideoEdit::Impl {};

VideoEdit::VideoEdit(int index, int width, int height, QObject* parent)
    : QObject(parent), d(std::make_unique<Impl>()), index_(index), width_(width), height_(height) {}
VideoEdit::~VideoEdit() = default;
void VideoEdit::NewProject() {}
bool VideoEdit::CompressionEnabled() const { return false; }
void VideoEdit::setCompressionEnabled(bool) {}
int VideoEdit::CompressorIndex() const { return 0; }
void VideoEdit::setCompressorIndex(int) {}
bool VideoEdit::AddMusic(const QString&, double, double) { return false; }
bool VideoEdit::AddVoice(const QString&, double, double) { return false; }
bool VideoEdit::AddImage(const QString&, double, double, int) { return false; }
bool VideoEdit::AddTransition(int, double, double) { return false; }
bool VideoEdit::StartRender(const QString&) { return false; }
void VideoEdit::Cancel() {}
bool VideoEdit::WaitForRender(int) { return true; }
bool VideoEdit::IsRendering() const { return false; }
bool VideoEdit::LastRenderOk() const { return false; }
QString VideoEdit::LastError() const { return "not built yet"; }
double VideoEdit::MediaLength(const QString&, QString* error) {
    if (error) *error = "not built yet";
    return -1;
}
