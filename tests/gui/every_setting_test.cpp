// Every setting of the table, set in the window through its control, reaches
// the project file and the batch vidmill-batch makes of that file: a setting
// the window, the file or the batch leaves out fails here.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <optional>

#include "BrandDialog.h"
#include "CompressorSettingsDialog.h"
#include "MakeVideoPanel.h"
#include "MusicChooser.h"
#include "ProjectChooser.h"
#include "SettingsTable.h"
#include "TestSupport.h"
#include "WindowFixture.h"

namespace {

using vm::SettingDef;
using Type = SettingDef::Type;

// The value item `index` of a list box stands for, as the binding reads it.
QVariant ItemValue(const QComboBox* box, int index) {
    const QVariant data = box->itemData(index);
    return data.isValid() ? data : QVariant(box->itemText(index));
}

class EverySetting : public testsupport::WindowTest {
protected:
    // Sets a value other than the default through the control, as a user
    // would; the value the control then holds, or none when it cannot.
    std::optional<QVariant> SetOther(const SettingDef& s, QWidget* control) {
        const QVariant before = window->Project().Defaults().Value(s);
        if (auto* box = qobject_cast<QCheckBox*>(control)) {
            // Another box may have checked it on the way (music checks its
            // volume reduction).
            if (box->isChecked() == before.toBool()) box->click();
            return QVariant(box->isChecked());
        }
        if (auto* spin = qobject_cast<QAbstractSpinBox*>(control)) {
            spin->stepBy(1);  // the up arrow
            // At the top of its range already (a logo's opacity of 100%): the down arrow.
            if (spin->property("value").toDouble() == before.toDouble()) spin->stepBy(-1);
            if (auto* whole = qobject_cast<QSpinBox*>(spin)) return QVariant(whole->value());
            return QVariant(qobject_cast<QDoubleSpinBox*>(spin)->value());
        }
        if (auto* box = qobject_cast<QComboBox*>(control)) {
            // The last entry that is not the default.
            for (int i = box->count() - 1; i >= 0; --i) {
                const QVariant value = ItemValue(box, i);
                if (value.toString() == before.toString()) continue;
                box->setCurrentIndex(i);
                return s.type == Type::Whole ? QVariant(value.toInt()) : value;
            }
            return {};
        }
        if (auto* line = qobject_cast<QLineEdit*>(control)) {
            const QString text = before.toString();
            if (!line->inputMask().isEmpty())  // a colour, "#RRGGBB"
                line->setText(text == "#1E90FF" ? "#FF4500" : "#1E90FF");
            else
                line->setText(text.isEmpty() ? QString("#KEYWORD# today") : text + " set");
            return QVariant(line->text());
        }
        if (auto* editor = qobject_cast<QPlainTextEdit*>(control)) {
            editor->setPlainText("About #KEYWORD#.\nSecond line.");
            return QVariant(editor->toPlainText());
        }
        if (auto* list = qobject_cast<QListWidget*>(control)) {
            list->addItem(s.path ? blue : QString("dentist"));
            return QVariant(testsupport::Items(list));
        }
        if (auto* label = qobject_cast<PathLabel*>(control);
            label && label->objectName() == "lblRowsFile") {
            // "Open Spreadsheet..." chooses it: a table of the keyword above.
            const QString table = folder + "/videos.csv";
            QFile file(table);
            if (!file.open(QIODevice::WriteOnly) || file.write("keyword\ndentist\n") < 0) return {};
            file.close();
            SpreadsheetChooser() = [table](QWidget*) { return table; };
            testsupport::Find<QAction>(window.get(), "mnuOpenSpreadsheet")->trigger();
            SpreadsheetChooser() = nullptr;
            return QVariant(label->text());
        }
        if (auto* label = qobject_cast<PathLabel*>(control)) {
            // The button beside it chooses the file.
            const QString button = label->objectName() == "lblSelectedMP3"
                                       ? QString("cmdSelectMP3")
                                       : "cmdSelect" + label->objectName().mid(3);
            testsupport::Find<QPushButton>(label->parentWidget(), button)->click();
            return QVariant(label->text());
        }
        return {};
    }

    QString red, blue, music;
};

// A project-file field by its dotted key ("music.duckDb").
QJsonValue Field(const QJsonObject& block, const SettingDef& s) {
    return s.Group().isEmpty() ? block.value(s.Key())
                               : block.value(s.Group()).toObject().value(s.Field());
}

std::string Shown(const QJsonValue& value) {
    return QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).toStdString();
}

TEST_F(EverySetting, SetInTheWindowReachesTheFileAndTheBatch) {
    red = folder + "/red.jpg";
    blue = folder + "/blue.jpg";
    music = folder + "/music.mp3";
    ASSERT_TRUE(testsupport::WriteSolidImage(red, 320, 240, Qt::red));
    ASSERT_TRUE(testsupport::WriteSolidImage(blue, 320, 240, Qt::blue));
    ASSERT_TRUE(testsupport::WriteToneMp3(music, 4));
    ui->lstTo->addItem(red);
    ui->txtArticle[0]->setPlainText("Call #KEYWORD#.");
    const MusicChooser previousMusic = SetMusicChooser([&](QWidget*) { return music; });
    // The logo and the outro a picture, the intro a picture too (held for
    // its length).
    const BrandChooser previousBrand = SetBrandChooser(
        [&](QWidget*, const QString& what) { return what == "intro" ? blue : red; });
    CompressorSettingsDialog::ShownHook() = [](CompressorSettingsDialog* dialog) {
        dialog->spnValue->stepBy(1);
        dialog->cmdOK->click();
    };

    // What each setting was set to, in the window.
    std::vector<std::pair<const SettingDef*, QVariant>> set;
    for (const SettingDef* s : vm::AllSettings()) {
        SCOPED_TRACE(s->key);
        std::optional<QVariant> value;
        const QString name = QString::fromLatin1(s->control);
        if (name.contains("%1")) {
            ui->txtArticle[1]->setPlainText("A second copy about #KEYWORD#.");
            QStringList pages;
            for (QTextEdit* page : ui->txtArticle) pages << page->toPlainText();
            value = QVariant(pages);
        } else if (!name.isEmpty()) {
            value = SetOther(*s, testsupport::Find<QWidget>(window.get(), name));
        } else if (s == &vm::setting::output) {
            // "Browse..." beside "Open Target Folder" chooses it.
            const QString chosen = folder + "/chosen";
            const OutputChooser previous = SetOutputChooser([&](QWidget*) { return chosen; });
            testsupport::Find<QPushButton>(window.get(), "cmdBrowseOutput")->click();
            SetOutputChooser(previous);
            value = QVariant(chosen);
        } else if (s == &vm::setting::mp4Crf) {
            // No control of its own: "Compressor Settings" sets it while MP4
            // is chosen.
            ASSERT_EQ(ui->cboFormat->currentData().toString(), "mp4") << "the format comes first";
            ui->Command5->click();
            value = QVariant(s->fallback.toInt() + 1);
        }
        ASSERT_TRUE(value) << "no control sets " << s->key;
        ASSERT_NE(Shown(SettingJson(*s, *value)),
                  Shown(SettingJson(*s, window->Project().Defaults().Value(*s))))
            << "still the default";
        set.emplace_back(s, *value);
    }
    SetMusicChooser(previousMusic);
    SetBrandChooser(previousBrand);
    CompressorSettingsDialog::ShownHook() = nullptr;

    // Saved with "Save Project...", made by vidmill-batch with a report.
    const QString project = folder + "/project/every.json";
    ASSERT_TRUE(QDir().mkpath(folder + "/project"));
    const ProjectChooser previousChooser =
        SetProjectChooser([&](QWidget*, bool) { return project; });
    ui->cmdSaveProject->click();
    SetProjectChooser(previousChooser);
    ASSERT_TRUE(QFile::exists(project)) << boxes.back().text.toStdString();
    QProcess batch;
    batch.setProcessChannelMode(QProcess::MergedChannels);
    batch.start(QCoreApplication::applicationDirPath() + "/vidmill-batch",
                {"--jobs", "1", "--output", folder + "/videos", "--report", folder + "/report.json",
                 project});
    ASSERT_TRUE(batch.waitForFinished(180000)) << "vidmill-batch did not end in 180 s";
    ASSERT_EQ(batch.exitCode(), 0) << batch.readAll().toStdString();
    QFile file(folder + "/report.json");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject report = QJsonDocument::fromJson(file.readAll()).object();

    const QJsonObject settings = report.value("settings").toObject();
    for (const auto& [s, value] : set) {
        SCOPED_TRACE(s->key);
        if (s == &vm::setting::keywords) {
            QStringList made;
            for (const QJsonValue& video : report.value("videos").toArray())
                made << video.toObject().value("keyword").toString();
            EXPECT_EQ(made, value.toStringList());
            continue;
        }
        if (s == &vm::setting::rows) {
            // The table's rows are the videos, each named by its row.
            for (const QJsonValue& video : report.value("videos").toArray())
                EXPECT_EQ(video.toObject().value("row").toInt(), 2);
            continue;
        }
        QJsonValue reported = Field(settings, *s);
        if (reported.isUndefined() && s->derived) {
            // Left out: the caption style's own (upper case in "One word at a time").
            vm::Settings style;
            style.Set(vm::setting::captionStyle,
                      Field(settings, vm::setting::captionStyle).toString());
            reported = SettingJson(*s, style.Value(*s));
        }
        if (s->path) {
            // Written relative to the project; the same files.
            QStringList full;
            const QJsonArray written =
                reported.isArray() ? reported.toArray() : QJsonArray{reported};
            for (const QJsonValue& path : written)
                full << QDir::cleanPath(
                    QDir(folder + "/project").absoluteFilePath(path.toString()));
            reported = s->type == Type::Texts ? QJsonValue(QJsonArray::fromStringList(full))
                                              : QJsonValue(full.value(0));
        }
        EXPECT_EQ(Shown(reported), Shown(SettingJson(*s, value)));
    }
    EXPECT_EQ(report.value("videos").toArray().at(0).toObject().value("status"), "made");
}

}  // namespace

namespace {

// A brand file that cannot be read is refused with a message saying why, and
// the file chosen before stays.
TEST_F(EverySetting, BrandFileThatCannotBeReadIsRefused) {
    const QString logo = folder + "/logo.jpg";
    ASSERT_TRUE(testsupport::WriteSolidImage(logo, 64, 32, Qt::red));
    QFile broken(folder + "/broken.png");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("no picture in here");
    broken.close();
    QString chosen = logo;
    const BrandChooser previous = SetBrandChooser([&](QWidget*, const QString&) { return chosen; });
    testsupport::Find<QPushButton>(window.get(), "cmdBrand")->click();
    testsupport::Find<QPushButton>(window.get(), "cmdSelectLogo")->click();
    EXPECT_EQ(window->Project().Get(vm::setting::logo), logo);
    chosen = broken.fileName();
    testsupport::Find<QPushButton>(window.get(), "cmdSelectLogo")->click();
    testsupport::Find<QPushButton>(window.get(), "cmdSelectIntro")->click();
    SetBrandChooser(previous);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(boxes[0].text.startsWith("This file cannot be the logo: the picture " +
                                         broken.fileName() + " cannot be read ("))
        << boxes[0].text.toStdString();
    EXPECT_TRUE(boxes[1].text.startsWith("This file cannot be the intro: the video " +
                                         broken.fileName() + " cannot be read ("))
        << boxes[1].text.toStdString();
    EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(window->Project().Get(vm::setting::logo), logo);
    EXPECT_EQ(window->Project().Get(vm::setting::intro), "");
}

}  // namespace
