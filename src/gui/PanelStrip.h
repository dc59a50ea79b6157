#pragma once

#include <QObject>
#include <QSize>
#include <array>

class Frame;
class LinkLabel;
class QPushButton;
class QToolButton;
class QWidget;

// The strip under the header: the three panel headers on the left; the
// project buttons, "Create Demo Project" and the help link on the right. Its
// controls lie directly on the window's client area, beside the panels.
class PanelStrip : public QObject {
    Q_OBJECT
public:
    // `size` is the client area's size as laid out (its smallest).
    PanelStrip(QWidget* client, QSize size);
    // The project buttons, made last so they come last in the tab order.
    void AddProjectButtons();

    // Marks the header of panel `index` as the selected one.
    void Select(int index);

    QPushButton* demoButton = nullptr;
    QPushButton* newButton = nullptr;
    QPushButton* saveButton = nullptr;
    QPushButton* openButton = nullptr;
    // The arrow beside "Open Project...": the recent projects.
    QToolButton* recentButton = nullptr;

signals:
    void panelClicked(int index);

private:
    QWidget* client_;
    class Stretcher* stretch_;
    std::array<Frame*, 3> headers_{};
};
