// The caption style in the window: choosing one sets its parts in "Caption
// Style", a part changed after is saved alone beside the style and comes
// back when the project is opened; a colour typed half-way holds nothing and
// stops "Make Videos!" with a message.
#include <QDoubleSpinBox>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QSpinBox>

#include "SettingsTable.h"
#include "TestSupport.h"
#include "WindowFixture.h"

namespace {

namespace S = vm::setting;
using testsupport::Find;

class CaptionStyleWindow : public testsupport::WindowTest {};

TEST_F(CaptionStyleWindow, AStyleSetsItsPartsAndAPartChangedAfterIsKept) {
    auto* style = Find<QComboBox>(window.get(), "cboCaptionStyle");
    auto* size = Find<QDoubleSpinBox>(window.get(), "spnCaptionSize");
    auto* place = Find<QComboBox>(window.get(), "cboCaptionPlace");
    auto* words = Find<QSpinBox>(window.get(), "spnCaptionWords");
    auto* highlight = Find<QLineEdit>(window.get(), "txtCaptionHighlight");
    ui->cboCaptions->setCurrentIndex(ui->cboCaptions->findData("burned"));
    EXPECT_TRUE(style->isEnabled());

    style->setCurrentIndex(style->findData("boldCentre"));
    EXPECT_EQ(size->value(), 9.0);
    EXPECT_EQ(place->currentData().toString(), "middle");
    EXPECT_EQ(words->value(), 3);
    EXPECT_EQ(highlight->text(), "#FFE03C");
    // Classic's size, though not this style's: kept as a change of its own.
    size->setValue(5.5);
    highlight->setText("#12");
    EXPECT_EQ(window->Project().Get(S::captionHighlight), "#FFE03C") << "half a colour";

    const QString path = folder + "/styled.json";
    QString error;
    ASSERT_TRUE(window->SaveProject(path, &error)) << error.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QJsonDocument::fromJson(file.readAll()).object().value("captionStyle").toObject(),
              (QJsonObject{{"preset", "boldCentre"}, {"size", 5.5}}));

    // Another style sets every part again; the project brings its own back.
    style->setCurrentIndex(style->findData("boxedLowerThird"));
    EXPECT_EQ(size->value(), 5.0);
    EXPECT_EQ(Find<QComboBox>(window.get(), "cboCaptionBackground")->currentData(), "box");
    ASSERT_TRUE(window->OpenProject(path, &error)) << error.toStdString();
    EXPECT_EQ(style->currentData().toString(), "boldCentre");
    EXPECT_EQ(size->value(), 5.5);
    EXPECT_EQ(place->currentData().toString(), "middle");

    // Half a colour stops the batch before it starts, and says which.
    ui->lstTo->addItem(folder + "/red.jpg");
    ASSERT_TRUE(testsupport::WriteSolidImage(folder + "/red.jpg", 64, 48, Qt::red));
    Find<QLineEdit>(window.get(), "txtCaptionColour")->setText("#FF");
    ui->Command1->click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Caption Style: the caption colour must be written #RRGGBB.");
}

}  // namespace
