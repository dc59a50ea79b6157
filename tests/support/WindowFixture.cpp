#include "WindowFixture.h"

#include <QSignalSpy>

#include "BatchTask.h"
#include "TestSupport.h"

namespace testsupport {

QStringList Items(const QListWidget* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
    return items;
}

bool MakeVideos(frmVSL* window, int boundMs) {
    QSignalSpy ended(window, &frmVSL::batchEnded);
    Find<QPushButton>(window, "Command1")->click();
    // The click returns at once; a batch it started ends on its own signal.
    if (ended.count() > 0 || !window->IsRunning()) return true;
    return ended.wait(boundMs);
}

void WindowTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder = FreshAppFolder(QString("%1_%2").arg(info->test_suite_name(), info->name()));
    previous_ = SetMsgBoxHandler([this](const MsgBoxCall& call) {
        boxes.push_back(call);
        if (call.buttons & QMessageBox::Yes) return answer;
        // Save / Discard / Cancel: Yes goes ahead without saving, No stays.
        if (call.buttons & QMessageBox::Discard) {
            if (answer == QMessageBox::Yes) return QMessageBox::Discard;
            if (answer == QMessageBox::No) return QMessageBox::Cancel;
            return answer;
        }
        return QMessageBox::Ok;
    });
    NewWindow();
}

void WindowTest::TearDown() {
    ui.reset();
    window.reset();
    SetMsgBoxHandler(previous_);
}

void WindowTest::NewWindow() {
    ui.reset();
    window.reset();
    window = std::make_unique<frmVSL>();
    ui = std::make_unique<Ui>(window.get());
    QObject::connect(window.get(), &frmVSL::batchStarted, [this](vm::BatchTask* task) {
        QObject::connect(task, &vm::BatchTask::videoEvent,
                         [this](const vm::VideoEvent& e) { events.push_back(e); });
    });
}

bool WindowTest::MakeVideos(int boundMs) {
    return testsupport::MakeVideos(window.get(), boundMs);
}

bool WindowTest::SelectVoice(const QStringList& parts) {
    for (int i = 0; i < ui->List1->count(); ++i) {
        const QString text = ui->List1->itemText(i);
        bool all = true;
        for (const QString& part : parts) all = all && text.contains(part, Qt::CaseInsensitive);
        if (all) {
            ui->List1->setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

bool WindowTest::SelectQuickVoice() {
    return SelectVoice({"espeak", "English (America)"});
}

}  // namespace testsupport
