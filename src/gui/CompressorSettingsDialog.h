#pragma once

#include <QDialog>
#include <functional>

#include "Compressors.h"

class QLabel;
class QSpinBox;
class QPushButton;

// The settings of one video compressor: its single setting as a number in the
// setting's range. The caller stores the value when the dialog is accepted.
class CompressorSettingsDialog : public QDialog {
    Q_OBJECT
public:
    CompressorSettingsDialog(const QString& compressorName, const CompressorSetting& setting,
                             QWidget* parent = nullptr);

    int Value() const;

    // Called just after the dialog is shown (tests set a value and accept).
    static std::function<void(CompressorSettingsDialog*)>& ShownHook();

    QLabel* lblSetting = nullptr;
    QSpinBox* spnValue = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};
