#include "PanelStrip.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QToolButton>

#include "Controls.h"
#include "WidgetMaker.h"
#include "frmInfo.h"

namespace {

// The three panel icons, drawn here so no picture files travel with the program.
enum class Icon { Speech, Picture, Film };

QPixmap DrawIcon(Icon kind) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(64, 64, 64);
    switch (kind) {
        case Icon::Speech: {  // a speech bubble
            QPainterPath bubble;
            bubble.addRoundedRect(QRectF(1.5, 1.5, 13, 9.5), 3, 3);
            QPolygonF tail({{4, 10}, {4, 14.5}, {8.5, 10}});
            bubble.addPolygon(tail);
            p.setPen(QPen(ink, 1.2));
            p.setBrush(QColor(120, 170, 230));
            p.drawPath(bubble.simplified());
            p.setPen(QPen(Qt::white, 1.2));
            p.drawLine(QPointF(4.5, 5), QPointF(11.5, 5));
            p.drawLine(QPointF(4.5, 7.5), QPointF(9.5, 7.5));
            break;
        }
        case Icon::Picture: {  // a framed landscape with a sun
            p.setPen(QPen(ink, 1));
            p.setBrush(QColor(190, 225, 250));
            p.drawRect(QRectF(1.5, 2.5, 13, 11));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(250, 200, 40));
            p.drawEllipse(QPointF(11, 6), 1.8, 1.8);
            p.setBrush(QColor(60, 150, 60));
            p.drawPolygon(QPolygonF({{2, 13}, {6.5, 7}, {10, 11}, {12, 9}, {14, 13}}));
            break;
        }
        case Icon::Film: {  // a film frame with a play triangle
            p.setPen(QPen(ink, 1));
            p.setBrush(QColor(70, 70, 70));
            p.drawRect(QRectF(1.5, 2.5, 13, 11));
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            for (int i = 0; i < 4; ++i) {
                p.drawRect(QRectF(3 + i * 3, 3.5, 1.5, 1.2));
                p.drawRect(QRectF(3 + i * 3, 11.3, 1.5, 1.2));
            }
            p.setBrush(QColor(230, 80, 60));
            p.drawPolygon(QPolygonF({{6.5, 5.8}, {6.5, 10.2}, {10.5, 8}}));
            break;
        }
    }
    return pm;
}

}  // namespace

PanelStrip::PanelStrip(QWidget* client, QSize size)
    : QObject(client), client_(client), stretch_(new Stretcher(client, size)) {
    static const int lefts[] = {30, 183, 291};
    static const int widths[] = {142, 100, 124};
    static const char* captions[] = {"Text to Speech", "Images", "Make Videos"};
    static const char* iconNames[] = {"Image1", "Image2", "Image6"};
    static const Icon icons[] = {Icon::Speech, Icon::Picture, Icon::Film};
    for (int i = 0; i < 3; ++i) {
        headers_[i] = ui::Make<Frame>(client, QString("vMenu_%1").arg(i));
        headers_[i]->setGeometry(lefts[i], 54, widths[i], 37);
        QLabel* icon = ui::Make<QLabel>(headers_[i], iconNames[i]);
        icon->setGeometry(10, 11, 16, 16);
        icon->setPixmap(DrawIcon(icons[i]));
        auto* caption = ui::Make<LinkLabel>(headers_[i], QString("lblMenu_%1").arg(i), captions[i]);
        caption->setGeometry(31, 3, widths[i] - 34, 33);
        caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        connect(caption, &LinkLabel::clicked, this, [this, i] { emit panelClicked(i); });
    }

    demoButton = ui::MakeButton(client, "cmdCreateDemoProject", "Create Demo Project",
                                QRect(726, 59, 160, 28));
    ui::SetBold(demoButton);
    demoButton->setStyleSheet(
        "QPushButton { background-color: rgb(255, 255, 192); border: 1px solid rgb(160, 150, 90);"
        " border-radius: 3px; }"
        "QPushButton:hover { background-color: rgb(255, 250, 160); }"
        "QPushButton:pressed { background-color: rgb(240, 230, 140); }");

    // The help link sits just above the panels' right edge, so the strip keeps
    // room between the headers and the demo button for the project buttons.
    LinkLabel* help = ui::MakeLink(client, "Label8", "Important: Please Read ",
                                   QRect(726, 92, 160, 18), QColor(0, 0, 128), true);
    help->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(help, &LinkLabel::clicked, this, [this] {
        frmInfo info(client_->window());
        info.exec();
    });
    // What stands on the right stays on the right when the window grows.
    for (QWidget* right : std::initializer_list<QWidget*>{demoButton, help})
        stretch_->Add(right, {1, 0, 0, 0});
}

void PanelStrip::AddProjectButtons() {
    newButton = ui::Make<QPushButton>(client_, "cmdNewProject", "New Project");
    saveButton = ui::Make<QPushButton>(client_, "cmdSaveProject", "Save Project...");
    openButton = ui::Make<QPushButton>(client_, "cmdOpenProject", "Open Project...");
    // Between the last panel header and "Create Demo Project", right-aligned
    // against the demo button.
    recentButton = ui::Make<QToolButton>(client_, "cmdRecentProjects");
    recentButton->setArrowType(Qt::DownArrow);
    recentButton->setPopupMode(QToolButton::InstantPopup);
    recentButton->setToolTip("Recent projects");
    const QRect demo = demoButton->geometry();
    const int gap = 4;
    int right = demo.left() - gap;
    recentButton->setGeometry(right - 18, demo.top(), 18, demo.height());
    stretch_->Add(recentButton, {1, 0, 0, 0});
    right -= 18;
    for (QPushButton* button : {openButton, saveButton, newButton}) {
        const int width = std::max(button->sizeHint().width(),
                                   QFontMetrics(button->font()).horizontalAdvance(button->text()) + 14);
        button->setGeometry(right - width, demo.top(), width, demo.height());
        right -= width + gap;
        stretch_->Add(button, {1, 0, 0, 0});
    }
    // Tab order: the project buttons from left to right.
    QWidget::setTabOrder(openButton, recentButton);
}

void PanelStrip::Select(int index) {
    for (int i = 0; i < 3; ++i) headers_[i]->setNotSelected(i != index);
}
