#pragma once

#include <QGroupBox>

class PathLabel;
class QCheckBox;
class QDoubleSpinBox;

// The background-music group under the ad copy: whether music plays, the MP3
// file ("Select MP3 File"), its volume reduction and its stepping back while
// the voice speaks.
class MusicGroup : public QGroupBox {
    Q_OBJECT
public:
    MusicGroup(const QRect& place, QWidget* parent);

private:
    // "Select MP3 File": the chosen file, or none when the chooser is
    // cancelled.
    void SelectFile();
    // Switching music on without a file asks for one, and turns the volume
    // reduction on.
    void MusicClicked();

    QCheckBox* music_ = nullptr;
    PathLabel* file_ = nullptr;
    QCheckBox* reduceVolume_ = nullptr;
    QCheckBox* duck_ = nullptr;
    QDoubleSpinBox* duckDb_ = nullptr;
};
