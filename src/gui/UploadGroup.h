#pragma once

#include <QGroupBox>
#include <functional>
#include <initializer_list>
#include <vector>

class QCheckBox;
class QComboBox;
class QFormLayout;
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
    // A choice as the list shows it, and its name in the project.
    struct Item {
        const char* text;
        const char* name;
    };
    using MakeCombo =
        std::function<QComboBox*(QWidget*, const char*, std::initializer_list<Item>)>;
    // The caption style's rows: a named style and the parts it sets.
    void AddCaptionStyle(QFormLayout* form, const MakeCombo& combo);
    void UpdateEnabled();

    QComboBox* format_ = nullptr;
    QComboBox* captions_ = nullptr;
    QCheckBox* highlightWords_ = nullptr;
    QCheckBox* cover_ = nullptr;
    QSpinBox* coverSlide_ = nullptr;
    std::vector<QWidget*> captionParts_;
};
