#include "WindowFixture.h"

#include "TestSupport.h"

namespace testsupport {

void WindowTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder = FreshAppFolder(QString("%1_%2").arg(info->test_suite_name(), info->name()));
    previous_ = SetMsgBoxHandler([this](const MsgBoxCall& call) {
        boxes.push_back(call);
        if (call.buttons & QMessageBox::Yes) return answer;
        return QMessageBox::Ok;
    });
    window = std::make_unique<frmVSL>();
}

void WindowTest::TearDown() {
    window.reset();
    SetMsgBoxHandler(previous_);
}

bool WindowTest::SelectVoice(const QStringList& parts) {
    for (int i = 0; i < window->List1->count(); ++i) {
        const QString text = window->List1->itemText(i);
        bool all = true;
        for (const QString& part : parts) all = all && text.contains(part, Qt::CaseInsensitive);
        if (all) {
            window->List1->setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

bool WindowTest::SelectQuickVoice() {
    return SelectVoice({"espeak", "English (America)"});
}

}  // namespace testsupport
