#pragma once

#include <QGroupBox>

class QCheckBox;
class QComboBox;
class QSpinBox;

// The "For Upload" group: what kind of video is made for the site it goes
// to (the file format, the frame's shape, how pictures fill it, captions, a
// cover picture) and the title and description written beside each video.
// Controls that mean nothing with the current choices are greyed out.
class UploadGroup : public QGroupBox {
    Q_OBJECT
public:
    UploadGroup(const QRect& place, QWidget* parent);

    bool Mp4() const;

signals:
    void formatChanged();

private:
    void UpdateEnabled();

    QComboBox* format_ = nullptr;
    QComboBox* captions_ = nullptr;
    QCheckBox* highlightWords_ = nullptr;
    QCheckBox* cover_ = nullptr;
    QSpinBox* coverSlide_ = nullptr;
    QWidget* captionStyleRow_ = nullptr;  // the style and its "Adjust..."
};
