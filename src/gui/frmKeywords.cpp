#include "frmKeywords.h"

#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

#include "AppFolder.h"
#include "Helpers.h"
#include "KeywordRules.h"
#include "MsgBox.h"

frmKeywords::frmKeywords(QListWidget* keywords, QWidget* parent)
    : QDialog(parent), lstKeywords_(keywords) {
    setObjectName("frmKeywords");
    setWindowTitle("Keywords");
    QFont base("DejaVu Sans");
    base.setPixelSize(11);
    setFont(base);
    setFixedSize(340, 420);

    Label1 = new QLabel("Keywords", this);
    Label1->setObjectName("Label1");
    QFont title = Label1->font();
    title.setBold(true);
    title.setPixelSize(14);
    Label1->setFont(title);
    Label1->setGeometry(16, 12, 308, 20);

    Label2 = new QLabel("Enter your keywords (one per line).", this);
    Label2->setObjectName("Label2");
    Label2->setGeometry(16, 36, 308, 18);

    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName("Text1");
    Text1->setGeometry(16, 58, 308, 306);
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Tab reaches the buttons; keywords are one a line, never tabbed.
    Text1->setTabChangesFocus(true);

    Command1 = new QPushButton("Save", this);
    Command1->setObjectName("Command1");
    Command1->setGeometry(118, 376, 100, 28);
    Command1->setDefault(false);
    Command1->setAutoDefault(false);  // Enter makes a new line in Text1
    Command2 = new QPushButton("Cancel", this);
    Command2->setObjectName("Command2");
    Command2->setGeometry(224, 376, 100, 28);
    Command2->setAutoDefault(false);

    connect(Command1, &QPushButton::clicked, this, &frmKeywords::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmKeywords::Command2_Click);

    Form_Load();
}

QString frmKeywords::ExchangeFile() {
    return vm::UserPath("tmpKeywords.txt");
}

std::function<void(frmKeywords*)>& frmKeywords::ShownHook() {
    static std::function<void(frmKeywords*)> hook;
    return hook;
}

void frmKeywords::Form_Load() {
    // An empty list opens an empty editor: an old exchange file is stale then.
    if (lstKeywords_->count() == 0) return;
    const QString path = ExchangeFile();
    if (vm::FileExists(path)) Text1->setPlainText(vm::LoadText(path));
}

void frmKeywords::Command1_Click() {
    // Each line is trimmed; a keyword with a tab or another control
    // character inside it is refused, and the editor keeps what was typed.
    QStringList keywords;
    for (const QString& line : Text1->toPlainText().split('\n')) {
        const QString keyword = vm::TrimKeyword(line);
        if (keyword.trimmed().isEmpty()) continue;
        if (vm::HasControlCharacter(keyword)) {
            MsgBox(this, vm::KeywordFileNameProblem(keyword), "Error", QMessageBox::Information);
            return;
        }
        keywords << keyword;
    }
    vm::SaveList(keywords, ExchangeFile());
    lstKeywords_->clear();
    lstKeywords_->addItems(keywords);
    accept();
}

void frmKeywords::Command2_Click() {
    reject();
}

void frmKeywords::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (ShownHook())
        QTimer::singleShot(0, this, [this] {
            if (ShownHook()) ShownHook()(this);
        });
}
