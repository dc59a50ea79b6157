#include "CompressorSettingsDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

CompressorSettingsDialog::CompressorSettingsDialog(const QString& compressorName,
                                                   const CompressorSetting& setting,
                                                   QWidget* parent)
    : QDialog(parent) {
    setObjectName("CompressorSettingsDialog");
    setWindowTitle("Settings - " + compressorName);

    lblSetting = new QLabel(setting.label, this);
    lblSetting->setObjectName("lblSetting");
    spnValue = new QSpinBox(this);
    spnValue->setObjectName("spnValue");
    spnValue->setRange(setting.minimum, setting.maximum);
    spnValue->setValue(setting.value);
    auto* hint = new QLabel(QString("Default: %1").arg(setting.defaultValue), this);
    hint->setObjectName("lblDefault");

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    cmdOK = buttons->button(QDialogButtonBox::Ok);
    cmdOK->setObjectName("cmdOK");
    cmdCancel = buttons->button(QDialogButtonBox::Cancel);
    cmdCancel->setObjectName("cmdCancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblSetting);
    layout->addWidget(spnValue);
    layout->addWidget(hint);
    layout->addWidget(buttons);
    setMinimumWidth(320);
}

int CompressorSettingsDialog::Value() const {
    return spnValue->value();
}

std::function<void(CompressorSettingsDialog*)>& CompressorSettingsDialog::ShownHook() {
    static std::function<void(CompressorSettingsDialog*)> hook;
    return hook;
}

void CompressorSettingsDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (ShownHook())
        QTimer::singleShot(0, this, [this] {
            if (ShownHook()) ShownHook()(this);
        });
}
