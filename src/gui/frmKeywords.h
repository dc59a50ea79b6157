#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

// The keyword editor: one keyword a line. It exchanges the keywords with the
// main window's list through the file tmpKeywords.txt in the program's folder.
class frmKeywords : public QDialog {
    Q_OBJECT
public:
    // `keywords` is the main window's lstKeywords.
    explicit frmKeywords(QListWidget* keywords, QWidget* parent = nullptr);

    static QString ExchangeFile();

    // Called just after the dialog is shown (tests edit Text1 and press a button).
    static std::function<void(frmKeywords*)>& ShownHook();

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QPlainTextEdit* Text1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;

public slots:
    void Form_Load();
    void Command1_Click();
    void Command2_Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QListWidget* lstKeywords_;
};
