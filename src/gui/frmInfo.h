#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;
class LinkLabel;

// The troubleshooting dialog behind "Important: Please Read ". Holds no state.
// It opens at 1079x538, or as large as the screen allows, and its texts
// scroll when it is smaller.
class frmInfo : public QDialog {
    Q_OBJECT
public:
    explicit frmInfo(QWidget* parent = nullptr);

    // The speech engines' download page shown and opened by Label8.
    static QString SpeechDownloadAddress();

    // Called just after the dialog is shown (tests read and press its controls).
    static std::function<void(frmInfo*)>& ShownHook();

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label18 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label9 = nullptr;
    LinkLabel* Label8 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* Label14 = nullptr;
    QLabel* Label15 = nullptr;
    QLabel* Label17 = nullptr;
    QLabel* Label16 = nullptr;
    QLabel* Label19 = nullptr;
    QLabel* Label20 = nullptr;
    QLabel* Label22 = nullptr;
    QLabel* Label21 = nullptr;
    QPushButton* Command1 = nullptr;

public slots:
    void Command1_Click();
    void Label8_Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // At most the screen's available size (less the window's frame).
    void FitScreen();
};
