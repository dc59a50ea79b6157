// Draws the pictures shipped with the program: the demo project's slides for a
// dental practice (data/images/dental) and a few general gallery pictures
// (data/images). We have no stock photos, so everything is flat illustration
// drawn with QPainter. Run it again after changing a picture:
//   cmake --build <build> --target make_demo_images && <build>/bin/make_demo_images <repo>/data
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QVector3D>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kQuality = 85;

// The practice's colours: used on every dental slide so they read as one ad.
const QColor kNavy(20, 61, 89);
const QColor kTeal(15, 139, 141);
const QColor kMint(226, 244, 240);
const QColor kAqua(120, 205, 200);
const QColor kSun(244, 180, 26);
const QColor kCoral(240, 116, 110);
const QColor kInk(33, 42, 54);
const QColor kWhite(255, 255, 255);

const char* kPractice = "Bright Smile Dental";

QFont Font(int pixelSize, bool bold = true, bool serif = false) {
    QFont font(serif ? "DejaVu Serif" : "DejaVu Sans");
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// Text drawn in a box; the flags place it (centred, left ...).
void Text(QPainter& p, const QRectF& box, const QString& text, const QFont& font,
          const QColor& color, int flags = Qt::AlignCenter) {
    p.setFont(font);
    p.setPen(color);
    p.drawText(box, flags | Qt::TextWordWrap, text);
}

// A soft drop shadow: the shape repeated with growing outlines and little
// alpha, which reads as a blur at this size.
void SoftShadow(QPainter& p, const QPainterPath& shape, QPointF offset, int spread,
                int alpha = 10) {
    p.save();
    p.translate(offset);
    p.setBrush(Qt::NoBrush);
    for (int i = spread; i > 0; i -= 3) {
        p.setPen(QPen(QColor(0, 0, 0, alpha), i * 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(shape);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, alpha * 2));
    p.drawPath(shape);
    p.restore();
}

QPainterPath RoundRect(const QRectF& r, qreal radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

// A molar seen from the front: two lobes on top and two roots, fitted in r.
QPainterPath ToothPath(const QRectF& r) {
    auto pt = [&](double x, double y) {
        return QPointF(r.left() + x * r.width(), r.top() + y * r.height());
    };
    QPainterPath path(pt(0.50, 0.13));
    path.cubicTo(pt(0.38, 0.02), pt(0.17, -0.01), pt(0.07, 0.12));
    path.cubicTo(pt(-0.03, 0.26), pt(0.02, 0.46), pt(0.11, 0.58));
    path.cubicTo(pt(0.17, 0.70), pt(0.18, 0.86), pt(0.23, 0.96));
    path.cubicTo(pt(0.27, 1.02), pt(0.35, 1.01), pt(0.37, 0.93));
    path.cubicTo(pt(0.41, 0.80), pt(0.42, 0.67), pt(0.50, 0.67));
    path.cubicTo(pt(0.58, 0.67), pt(0.59, 0.80), pt(0.63, 0.93));
    path.cubicTo(pt(0.65, 1.01), pt(0.73, 1.02), pt(0.77, 0.96));
    path.cubicTo(pt(0.82, 0.86), pt(0.83, 0.70), pt(0.89, 0.58));
    path.cubicTo(pt(0.98, 0.46), pt(1.03, 0.26), pt(0.93, 0.12));
    path.cubicTo(pt(0.83, -0.01), pt(0.62, 0.02), pt(0.50, 0.13));
    path.closeSubpath();
    return path;
}

// A white tooth with a light shade on its right side and a highlight.
void DrawTooth(QPainter& p, const QRectF& r, bool shadow = true) {
    const QPainterPath tooth = ToothPath(r);
    if (shadow) SoftShadow(p, tooth, QPointF(0, r.height() * 0.04), int(r.width() * 0.05), 6);
    QLinearGradient shade(r.topLeft(), r.topRight());
    shade.setColorAt(0.0, kWhite);
    shade.setColorAt(0.55, kWhite);
    shade.setColorAt(1.0, QColor(214, 232, 236));
    p.setPen(Qt::NoPen);
    p.setBrush(shade);
    p.drawPath(tooth);
    // highlight on the left lobe
    QPainterPath shine;
    const QRectF s(r.left() + r.width() * 0.16, r.top() + r.height() * 0.12, r.width() * 0.12,
                   r.height() * 0.30);
    shine.moveTo(s.left() + s.width() * 0.6, s.top());
    shine.cubicTo(s.left() - s.width() * 0.3, s.top() + s.height() * 0.1,
                  s.left() - s.width() * 0.2, s.bottom(), s.left() + s.width() * 0.3, s.bottom());
    shine.cubicTo(s.left() + s.width() * 0.2, s.top() + s.height() * 0.6,
                  s.left() + s.width() * 0.4, s.top() + s.height() * 0.2,
                  s.left() + s.width() * 0.6, s.top());
    p.setBrush(QColor(kAqua.red(), kAqua.green(), kAqua.blue(), 90));
    p.drawPath(shine);
}

// A four-pointed sparkle centred on c.
void Sparkle(QPainter& p, QPointF c, qreal size, const QColor& color) {
    QPainterPath star;
    const qreal w = size * 0.22;
    star.moveTo(c.x(), c.y() - size);
    star.quadTo(c.x() + w * 0.4, c.y() - w * 0.4, c.x() + size, c.y());
    star.quadTo(c.x() + w * 0.4, c.y() + w * 0.4, c.x(), c.y() + size);
    star.quadTo(c.x() - w * 0.4, c.y() + w * 0.4, c.x() - size, c.y());
    star.quadTo(c.x() - w * 0.4, c.y() - w * 0.4, c.x(), c.y() - size);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(star);
}

// The practice's mark: a tooth in a white disc, used as a logo on every slide.
void Logo(QPainter& p, QPointF centre, qreal radius, const QColor& disc = kWhite,
          const QColor& tooth = kTeal) {
    p.setPen(Qt::NoPen);
    p.setBrush(disc);
    p.drawEllipse(centre, radius, radius);
    const qreal w = radius * 1.05;
    const QRectF r(centre.x() - w / 2, centre.y() - w * 0.52, w, w * 1.05);
    p.setBrush(tooth);
    p.drawPath(ToothPath(r));
    Sparkle(p, QPointF(centre.x() + radius * 0.55, centre.y() - radius * 0.5), radius * 0.2, kSun);
}

// The small brand line at the bottom left of the inner slides.
void BrandFooter(QPainter& p, const QColor& text) {
    Logo(p, QPointF(110, kHeight - 90), 38, kTeal, kWhite);
    Text(p, QRectF(165, kHeight - 130, 700, 80), kPractice, Font(34), text,
         Qt::AlignLeft | Qt::AlignVCenter);
}

void Background(QPainter& p, const QColor& top, const QColor& bottom) {
    QLinearGradient g(0, 0, kWidth * 0.3, kHeight);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(QRect(0, 0, kWidth, kHeight), g);
}

// Large faint circles behind the content, for depth.
void Bubbles(QPainter& p, const QColor& color, std::initializer_list<QVector3D> circles) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    for (const auto& c : circles) p.drawEllipse(QPointF(c.x(), c.y()), c.z(), c.z());
}

// A round check mark badge.
void CheckBadge(QPainter& p, QPointF c, qreal r, const QColor& disc) {
    p.setPen(Qt::NoPen);
    p.setBrush(disc);
    p.drawEllipse(c, r, r);
    QPainterPath tick;
    tick.moveTo(c.x() - r * 0.45, c.y() + r * 0.02);
    tick.lineTo(c.x() - r * 0.12, c.y() + r * 0.35);
    tick.lineTo(c.x() + r * 0.48, c.y() - r * 0.32);
    p.setPen(QPen(kWhite, r * 0.22, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
}

// ---- the dental slides -----------------------------------------------------

void Welcome(QPainter& p) {
    Background(p, QColor(18, 150, 150), kNavy);
    Bubbles(p, QColor(255, 255, 255, 18),
            {{1650, 160, 300}, {1780, 900, 220}, {180, 980, 260}, {320, 120, 120}});
    Logo(p, QPointF(kWidth / 2.0, 330), 150);
    Text(p, QRectF(0, 520, kWidth, 140), kPractice, Font(118), kWhite);
    p.setPen(Qt::NoPen);
    p.setBrush(kSun);
    p.drawRoundedRect(QRectF(kWidth / 2.0 - 90, 680, 180, 10), 5, 5);
    Text(p, QRectF(0, 720, kWidth, 90), "Gentle, modern care for the whole family", Font(52, false),
         QColor(230, 248, 246));
    Text(p, QRectF(0, 830, kWidth, 70),
         "CHECK-UPS  \u2022  WHITENING  \u2022  IMPLANTS  \u2022  EMERGENCIES", Font(32), kAqua);
}

// A wide smile: lips, an open mouth and a row of teeth.
void Smile(QPainter& p) {
    Background(p, QColor(255, 248, 240), QColor(253, 226, 214));
    Bubbles(p, QColor(240, 116, 110, 28), {{1620, 240, 260}, {260, 860, 300}});
    const QPointF c(700, 520);
    const qreal w = 900, h = 520;
    // the smile's outline: flat-ish top, deep curve below
    auto smilePath = [&](qreal sw, qreal top, qreal bottom) {
        QPainterPath path(QPointF(c.x() - sw / 2, c.y() - top));
        path.cubicTo(QPointF(c.x() - sw * 0.2, c.y() + top * 0.05),
                     QPointF(c.x() + sw * 0.2, c.y() + top * 0.05),
                     QPointF(c.x() + sw / 2, c.y() - top));
        path.cubicTo(QPointF(c.x() + sw * 0.42, c.y() + bottom),
                     QPointF(c.x() - sw * 0.42, c.y() + bottom),
                     QPointF(c.x() - sw / 2, c.y() - top));
        path.closeSubpath();
        return path;
    };
    const QPainterPath lips = smilePath(w, h * 0.30, h * 0.75);
    SoftShadow(p, lips, QPointF(0, 18), 24, 5);
    QLinearGradient lipShade(0, c.y() - h * 0.3, 0, c.y() + h * 0.6);
    lipShade.setColorAt(0, QColor(236, 96, 104));
    lipShade.setColorAt(1, QColor(200, 60, 78));
    p.setPen(Qt::NoPen);
    p.setBrush(lipShade);
    p.drawPath(lips);
    // the open mouth sits a little lower than the lips, which leaves an upper lip
    const QPainterPath mouth = smilePath(w * 0.84, h * 0.22, h * 0.45).translated(0, h * 0.06);
    p.setBrush(QColor(110, 26, 44));
    p.drawPath(mouth);
    // the upper edge of the mouth, to hang the teeth from
    QPainterPath edge(QPointF(c.x() - w * 0.42, c.y() - h * 0.16));
    edge.cubicTo(QPointF(c.x() - w * 0.168, c.y() + h * 0.071),
                 QPointF(c.x() + w * 0.168, c.y() + h * 0.071),
                 QPointF(c.x() + w * 0.42, c.y() - h * 0.16));
    auto edgeY = [&](qreal x) {
        qreal best = c.y(), dist = 1e9;
        for (int i = 0; i <= 200; ++i) {
            const QPointF pt = edge.pointAtPercent(i / 200.0);
            if (std::abs(pt.x() - x) < dist) dist = std::abs(pt.x() - x), best = pt.y();
        }
        return best;
    };
    p.save();
    p.setClipPath(mouth);
    // tongue
    p.setBrush(QColor(226, 98, 110));
    p.drawEllipse(QPointF(c.x(), c.y() + h * 0.36), w * 0.20, h * 0.14);
    // upper teeth: front teeth largest, getting smaller towards the corners
    const int count = 10;
    const qreal rowLeft = c.x() - w * 0.42, rowWidth = w * 0.84;
    for (int i = 0; i < count; ++i) {
        const qreal x = rowLeft + rowWidth * i / count;
        const qreal t = (i + 0.5) / count - 0.5;  // -0.5 .. 0.5
        const qreal toothH = h * (0.20 - std::abs(t) * 0.16);
        const qreal top = edgeY(x + rowWidth / count / 2) - 30;
        QRectF r(x + 3, top, rowWidth / count - 6, toothH + 30);
        p.setBrush(kWhite);
        p.drawRoundedRect(r, 16, 16);
        p.setBrush(QColor(222, 234, 240));
        p.drawRoundedRect(
            QRectF(r.right() - r.width() * 0.22, r.top(), r.width() * 0.22, r.height()), 8, 8);
    }
    p.restore();
    Sparkle(p, QPointF(c.x() + w * 0.40, c.y() - h * 0.56), 60, kSun);
    Sparkle(p, QPointF(c.x() + w * 0.50, c.y() - h * 0.40), 28, kSun);
    Sparkle(p, QPointF(c.x() - w * 0.52, c.y() + h * 0.45), 40, kTeal);

    Text(p, QRectF(1230, 300, 620, 260), "Smile with confidence", Font(86), kNavy,
         Qt::AlignLeft | Qt::AlignVCenter);
    Text(p, QRectF(1230, 570, 600, 200), "Healthy, bright teeth that you will be proud to show.",
         Font(40, false), QColor(90, 90, 100), Qt::AlignLeft | Qt::AlignTop);
    BrandFooter(p, kNavy);
}

void Services(QPainter& p) {
    Background(p, kMint, QColor(196, 230, 226));
    Bubbles(p, QColor(255, 255, 255, 120), {{500, 520, 380}});
    Bubbles(p, QColor(15, 139, 141, 22), {{1750, 120, 220}, {1500, 1000, 160}});
    DrawTooth(p, QRectF(260, 200, 480, 600));
    Sparkle(p, QPointF(780, 220), 56, kSun);
    Sparkle(p, QPointF(230, 420), 30, kSun);
    Sparkle(p, QPointF(800, 700), 36, kTeal);

    Text(p, QRectF(1000, 150, 860, 200), "Modern, gentle dentistry", Font(76), kNavy,
         Qt::AlignLeft | Qt::AlignVCenter);
    const char* items[] = {"Check-ups and cleaning", "Teeth whitening", "Dental implants",
                           "Care for children", "Same-day emergencies"};
    qreal y = 400;
    for (const char* item : items) {
        CheckBadge(p, QPointF(1030, y + 30), 28, kTeal);
        Text(p, QRectF(1085, y - 10, 800, 80), item, Font(44, false), kInk,
             Qt::AlignLeft | Qt::AlignVCenter);
        y += 100;
    }
    BrandFooter(p, kNavy);
}

// A simple standing person: head, hair, body in a coat of the given colour.
void Person(QPainter& p, QPointF feet, qreal height, const QColor& coat, const QColor& skin,
            const QColor& hair, bool longHair) {
    const qreal headR = height * 0.09;
    const QPointF head(feet.x(), feet.y() - height + headR);
    p.setPen(Qt::NoPen);
    if (longHair) {
        p.setBrush(hair);
        p.drawRoundedRect(
            QRectF(head.x() - headR * 1.15, head.y() - headR * 1.05, headR * 2.3, headR * 2.9),
            headR, headR);
    }
    // legs and shoes below the coat
    const qreal hem = feet.y() - height * 0.26;
    p.setBrush(QColor(52, 64, 84));
    p.drawRoundedRect(
        QRectF(feet.x() - height * 0.10, hem - 20, height * 0.085, feet.y() - hem + 10), 12, 12);
    p.drawRoundedRect(
        QRectF(feet.x() + height * 0.015, hem - 20, height * 0.085, feet.y() - hem + 10), 12, 12);
    p.setBrush(kInk);
    p.drawRoundedRect(QRectF(feet.x() - height * 0.115, feet.y() - 18, height * 0.11, 22), 10, 10);
    p.drawRoundedRect(QRectF(feet.x() + height * 0.01, feet.y() - 18, height * 0.11, 22), 10, 10);
    // body
    QPainterPath body;
    const qreal shoulders = height * 0.17, top = head.y() + headR * 1.35;
    body.moveTo(feet.x() - shoulders, hem);
    body.lineTo(feet.x() - shoulders, top + height * 0.12);
    body.quadTo(feet.x() - shoulders, top, feet.x() - shoulders * 0.5, top);
    body.lineTo(feet.x() + shoulders * 0.5, top);
    body.quadTo(feet.x() + shoulders, top, feet.x() + shoulders, top + height * 0.12);
    body.lineTo(feet.x() + shoulders, hem);
    body.closeSubpath();
    p.setBrush(coat);
    p.drawPath(body);
    // arms hanging at the sides, a shade darker than the coat, with hands
    const QColor sleeve = coat.darker(110);
    for (int side : {-1, 1}) {
        const qreal x = feet.x() + side * shoulders;
        p.setBrush(sleeve);
        p.drawRoundedRect(
            QRectF(x - height * 0.035, top + height * 0.03, height * 0.07, height * 0.34),
            height * 0.035, height * 0.035);
        p.setBrush(skin);
        p.drawEllipse(QPointF(x, top + height * 0.39), height * 0.033, height * 0.036);
    }
    // neck and collar
    p.setBrush(skin);
    p.drawRect(QRectF(head.x() - headR * 0.35, head.y() + headR * 0.6, headR * 0.7, headR * 0.8));
    QPainterPath collar;
    collar.moveTo(head.x() - headR * 0.6, top);
    collar.lineTo(head.x(), top + headR * 1.0);
    collar.lineTo(head.x() + headR * 0.6, top);
    p.setBrush(skin.darker(108));
    p.drawPath(collar);
    // head
    p.setBrush(skin);
    p.drawEllipse(head, headR, headR * 1.08);
    p.setBrush(hair);
    QPainterPath fringe;
    fringe.moveTo(head.x() - headR * 1.02, head.y());
    fringe.cubicTo(head.x() - headR * 1.1, head.y() - headR * 1.5, head.x() + headR * 1.1,
                   head.y() - headR * 1.5, head.x() + headR * 1.02, head.y() - headR * 0.1);
    fringe.quadTo(head.x(), head.y() - headR * 0.75, head.x() - headR * 1.02, head.y());
    p.drawPath(fringe);
    // a friendly face
    p.setBrush(kInk);
    p.drawEllipse(QPointF(head.x() - headR * 0.35, head.y() + headR * 0.1), headR * 0.09,
                  headR * 0.11);
    p.drawEllipse(QPointF(head.x() + headR * 0.35, head.y() + headR * 0.1), headR * 0.09,
                  headR * 0.11);
    p.setPen(QPen(kInk, headR * 0.08, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(head.x() - headR * 0.4, head.y() + headR * 0.1, headR * 0.8, headR * 0.55),
              200 * 16, 140 * 16);
    p.setPen(Qt::NoPen);
}

void Team(QPainter& p) {
    Background(p, QColor(232, 246, 250), QColor(204, 228, 240));
    // floor
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(187, 214, 226));
    p.drawRect(QRectF(0, 860, kWidth, kHeight - 860));
    // window with a view on the wall, left of the chair
    p.setBrush(kWhite);
    p.drawRoundedRect(QRectF(60, 110, 300, 250), 16, 16);
    const QRectF glass(78, 128, 264, 214);
    QLinearGradient sky(0, glass.top(), 0, glass.bottom());
    sky.setColorAt(0, QColor(150, 210, 240));
    sky.setColorAt(1, QColor(210, 238, 250));
    p.setBrush(sky);
    p.drawRect(glass);
    p.save();
    p.setClipRect(glass);
    p.setBrush(QColor(140, 200, 150));
    p.drawEllipse(QPointF(140, 360), 130, 60);
    p.drawEllipse(QPointF(300, 370), 120, 70);
    p.restore();
    p.setBrush(kWhite);
    p.drawRect(QRectF(205, glass.top(), 10, glass.height()));

    // the chair: base, lamp arm (behind the seat), seat, backrest and head rest
    const QColor chair = kTeal, chrome(170, 186, 196);
    p.setBrush(chrome);
    p.drawRoundedRect(QRectF(560, 840, 300, 40), 20, 20);
    p.drawRect(QRectF(690, 700, 40, 150));
    p.setPen(QPen(chrome, 16, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath arm;
    arm.moveTo(780, 680);
    arm.lineTo(790, 250);
    arm.lineTo(640, 205);
    p.drawPath(arm);
    p.setPen(Qt::NoPen);
    QPainterPath seat;
    seat.moveTo(500, 640);
    seat.lineTo(880, 640);
    seat.quadTo(960, 640, 1000, 720);
    seat.lineTo(1020, 760);
    seat.quadTo(1000, 780, 970, 770);
    seat.lineTo(930, 720);
    seat.lineTo(510, 720);
    seat.quadTo(470, 720, 470, 680);
    seat.quadTo(470, 640, 500, 640);
    SoftShadow(p, seat, QPointF(0, 14), 18, 5);
    p.setBrush(chair);
    p.drawPath(seat);
    p.setPen(QPen(chair, 96, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(530, 670), QPointF(440, 430));
    p.setPen(QPen(chair.darker(125), 66, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(420, 360), QPointF(408, 330));
    p.setPen(Qt::NoPen);
    // the lamp's light falls on the head rest
    p.setBrush(QColor(255, 240, 190, 110));
    QPainterPath beam;
    beam.moveTo(575, 240);
    beam.lineTo(360, 380);
    beam.lineTo(470, 420);
    beam.lineTo(660, 255);
    beam.closeSubpath();
    p.drawPath(beam);
    p.setBrush(kWhite);
    p.drawEllipse(QPointF(620, 225), 70, 40);
    p.setBrush(kSun);
    p.drawEllipse(QPointF(612, 241), 42, 20);

    // the team
    Person(p, QPointF(1110, 890), 600, kWhite, QColor(241, 200, 170), QColor(80, 52, 40), false);
    Person(p, QPointF(1330, 890), 540, kAqua, QColor(200, 146, 110), QColor(40, 30, 30), true);
    // the dentist's breast pocket with a pen
    p.setBrush(QColor(226, 232, 236));
    p.drawRoundedRect(QRectF(1130, 540, 46, 40), 6, 6);
    p.setBrush(kTeal);
    p.drawRect(QRectF(1144, 522, 8, 30));

    Text(p, QRectF(1480, 240, 420, 300), "A friendly team that cares", Font(66), kNavy,
         Qt::AlignLeft | Qt::AlignVCenter);
    Text(p, QRectF(1480, 540, 400, 200), "Relax in a calm, modern clinic.", Font(38, false),
         QColor(70, 90, 110), Qt::AlignLeft | Qt::AlignTop);
    BrandFooter(p, kNavy);
}

void Booking(QPainter& p) {
    Background(p, kSun.lighter(135), QColor(250, 206, 120));
    Bubbles(p, QColor(255, 255, 255, 60), {{1700, 200, 260}, {140, 960, 240}});
    // the calendar page
    const QRectF page(250, 170, 720, 740);
    const QPainterPath card = RoundRect(page, 36);
    SoftShadow(p, card, QPointF(0, 20), 30, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(kWhite);
    p.drawPath(card);
    p.save();
    p.setClipPath(card);
    p.setBrush(kCoral);
    p.drawRect(QRectF(page.left(), page.top(), page.width(), 150));
    p.restore();
    // rings
    for (int i = 0; i < 2; ++i) {
        const qreal x = page.left() + 200 + i * 320;
        p.setBrush(kCoral.darker(140));
        p.drawEllipse(QPointF(x, page.top() + 40), 18, 18);
        p.setBrush(QColor(90, 90, 100));
        p.drawRoundedRect(QRectF(x - 9, page.top() - 40, 18, 86), 9, 9);
    }
    Text(p, QRectF(page.left(), page.top() + 60, page.width(), 90), "SEPTEMBER", Font(54), kWhite);
    const char* days = "MTWTFSS";
    const qreal cell = (page.width() - 80) / 7.0;
    for (int d = 0; d < 7; ++d) {
        Text(p, QRectF(page.left() + 40 + d * cell, page.top() + 170, cell, 50),
             QString(QChar(days[d])), Font(30), d >= 5 ? kCoral : QColor(120, 130, 140));
    }
    int day = 1;
    const int firstColumn = 2;  // this month starts on a Wednesday
    const int booked = 17;
    for (int row = 0; row < 5 && day <= 30; ++row) {
        for (int col = (row == 0 ? firstColumn : 0); col < 7 && day <= 30; ++col, ++day) {
            const QRectF box(page.left() + 40 + col * cell, page.top() + 235 + row * 95, cell, 95);
            if (day == booked) {
                p.setPen(Qt::NoPen);
                p.setBrush(kTeal);
                p.drawEllipse(box.center(), 42, 42);
                Text(p, box, QString::number(day), Font(36), kWhite);
            } else {
                Text(p, box, QString::number(day), Font(34, false), col >= 5 ? kCoral : kInk);
            }
        }
    }
    CheckBadge(p, QPointF(page.right() - 20, page.bottom() - 30), 70, kTeal);

    Text(p, QRectF(1090, 230, 800, 160), "Book today!", Font(110), kNavy,
         Qt::AlignLeft | Qt::AlignVCenter);
    Text(p, QRectF(1090, 420, 760, 300),
         "Early morning, evening and Saturday appointments.\nNew patients welcome.",
         Font(44, false), kInk, Qt::AlignLeft | Qt::AlignTop);
    p.setPen(Qt::NoPen);
    p.setBrush(kNavy);
    p.drawRoundedRect(QRectF(1090, 730, 520, 100), 50, 50);
    Text(p, QRectF(1090, 730, 520, 100), "Book your visit", Font(44), kWhite);
    BrandFooter(p, kNavy);
}

void Contact(QPainter& p) {
    Background(p, kNavy, QColor(10, 34, 52));
    Bubbles(p, QColor(15, 139, 141, 60), {{1820, 120, 320}, {80, 1000, 300}});
    Logo(p, QPointF(kWidth / 2.0, 230), 110);
    Text(p, QRectF(0, 370, kWidth, 120), kPractice, Font(96), kWhite);
    Text(p, QRectF(0, 490, kWidth, 70), "Your smile is our favourite thing.", Font(42, false, true),
         kAqua);
    // three contact lines with round icons
    struct Line {
        QString icon;
        QString text;
    };
    const Line lines[] = {{"\u260E", "(555) 014-2200"},
                          {"\u2302", "12 Harbour Street, Riverside"},
                          {"@", "www.brightsmile-dental.example"}};
    qreal y = 620;
    for (const auto& line : lines) {
        p.setPen(Qt::NoPen);
        p.setBrush(kTeal);
        p.drawEllipse(QPointF(570, y + 36), 34, 34);
        Text(p, QRectF(536, y + 2, 68, 68), line.icon, Font(38), kWhite);
        Text(p, QRectF(630, y, 900, 72), line.text, Font(46, false), kWhite,
             Qt::AlignLeft | Qt::AlignVCenter);
        y += 100;
    }
    p.setBrush(kSun);
    p.drawRoundedRect(QRectF(0, kHeight - 60, kWidth, 60), 0, 0);
    Text(p, QRectF(0, kHeight - 60, kWidth, 60),
         "Open Monday to Saturday  \u2022  New patients welcome", Font(30), kNavy);
}

// ---- the general gallery ---------------------------------------------------

void Abstract(QPainter& p) {
    QLinearGradient g(0, 0, kWidth, kHeight);
    g.setColorAt(0, QColor(94, 53, 177));
    g.setColorAt(0.5, QColor(216, 27, 96));
    g.setColorAt(1, QColor(255, 143, 0));
    p.fillRect(QRect(0, 0, kWidth, kHeight), g);
    QRandomGenerator random(7);  // fixed seed: the picture is the same every run
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 26; ++i) {
        const QPointF c(random.bounded(kWidth), random.bounded(kHeight));
        const qreal r = 40 + random.bounded(260);
        QRadialGradient rg(c, r);
        rg.setColorAt(0, QColor(255, 255, 255, 70));
        rg.setColorAt(1, QColor(255, 255, 255, 0));
        p.setBrush(rg);
        p.drawEllipse(c, r, r);
    }
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 6; ++i) {
        p.setPen(QPen(QColor(255, 255, 255, 60 + i * 12), 6));
        const qreal r = 120 + i * 90;
        p.drawEllipse(QPointF(1450, 420), r, r);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 40));
    QPainterPath wave;
    wave.moveTo(0, 820);
    wave.cubicTo(480, 680, 960, 980, 1920, 760);
    wave.lineTo(1920, 1080);
    wave.lineTo(0, 1080);
    wave.closeSubpath();
    p.drawPath(wave);
}

void City(QPainter& p) {
    QLinearGradient sky(0, 0, 0, kHeight);
    sky.setColorAt(0, QColor(18, 24, 66));
    sky.setColorAt(0.55, QColor(120, 64, 140));
    sky.setColorAt(0.85, QColor(250, 140, 100));
    p.fillRect(QRect(0, 0, kWidth, kHeight), sky);
    QRandomGenerator random(11);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 120; ++i) {
        p.setBrush(QColor(255, 255, 255, 80 + random.bounded(150)));
        const qreal r = 1 + random.bounded(2.0);
        p.drawEllipse(QPointF(random.bounded(kWidth), random.bounded(kHeight * 0.45)), r, r);
    }
    p.setBrush(QColor(255, 236, 200));
    p.drawEllipse(QPointF(1500, 220), 70, 70);
    // two rows of buildings, the far one lighter
    auto skyline = [&](const QColor& color, qreal base, int minH, int maxH, bool windows,
                       quint32 seed) {
        QRandomGenerator r(seed);
        qreal x = -20;
        while (x < kWidth) {
            const qreal w = 80 + r.bounded(130);
            const qreal h = minH + r.bounded(maxH - minH);
            p.setBrush(color);
            p.drawRect(QRectF(x, base - h, w, h + 400));
            if (r.bounded(4) == 0) p.drawRect(QRectF(x + w / 2 - 4, base - h - 60, 8, 60));
            if (windows) {
                for (qreal wy = base - h + 24; wy < base - 20; wy += 34) {
                    for (qreal wx = x + 14; wx < x + w - 20; wx += 26) {
                        if (r.bounded(3) == 0) {
                            p.setBrush(QColor(255, 214, 120, 200));
                            p.drawRect(QRectF(wx, wy, 12, 16));
                        }
                    }
                }
            }
            x += w + 6;
        }
    };
    skyline(QColor(70, 50, 110), 900, 200, 560, false, 3);
    skyline(QColor(28, 22, 52), 1000, 160, 460, true, 5);
    // river
    p.setBrush(QColor(20, 16, 40));
    p.drawRect(QRectF(0, 1000, kWidth, 80));
}

void Landscape(QPainter& p) {
    QLinearGradient sky(0, 0, 0, 700);
    sky.setColorAt(0, QColor(120, 190, 235));
    sky.setColorAt(1, QColor(255, 225, 180));
    p.fillRect(QRect(0, 0, kWidth, kHeight), sky);
    p.setPen(Qt::NoPen);
    QRadialGradient sun(QPointF(1380, 420), 260);
    sun.setColorAt(0, QColor(255, 245, 200));
    sun.setColorAt(0.3, QColor(255, 220, 140, 220));
    sun.setColorAt(1, QColor(255, 220, 140, 0));
    p.setBrush(sun);
    p.drawEllipse(QPointF(1380, 420), 260, 260);
    // clouds
    p.setBrush(QColor(255, 255, 255, 200));
    for (auto c : {QPointF(380, 180), QPointF(1020, 120)}) {
        p.drawEllipse(c, 110, 50);
        p.drawEllipse(c + QPointF(90, -20), 90, 60);
        p.drawEllipse(c + QPointF(180, 5), 100, 45);
    }
    auto ridge = [&](const QColor& color, qreal base, std::initializer_list<QPointF> peaks) {
        QPainterPath path(QPointF(0, base));
        for (const auto& pk : peaks) path.lineTo(pk);
        path.lineTo(kWidth, base);
        path.lineTo(kWidth, kHeight);
        path.lineTo(0, kHeight);
        path.closeSubpath();
        p.setBrush(color);
        p.drawPath(path);
    };
    ridge(QColor(130, 150, 190), 640,
          {{0, 560},
           {260, 330},
           {470, 520},
           {760, 260},
           {1050, 560},
           {1300, 400},
           {1620, 540},
           {1920, 360}});
    // snow caps
    p.setBrush(QColor(245, 248, 255));
    QPainterPath snow;
    // along the two slopes from the peak (760, 260), with a ragged lower edge
    snow.moveTo(760, 260);
    snow.lineTo(837, 340);
    snow.lineTo(805, 326);
    snow.lineTo(778, 352);
    snow.lineTo(748, 324);
    snow.lineTo(712, 346);
    snow.lineTo(671, 340);
    snow.closeSubpath();
    p.drawPath(snow);
    ridge(QColor(80, 130, 110), 760,
          {{0, 700}, {300, 600}, {600, 720}, {900, 640}, {1250, 740}, {1600, 620}, {1920, 700}});
    // lake with the sun's reflection
    QLinearGradient lake(0, 760, 0, kHeight);
    lake.setColorAt(0, QColor(110, 170, 210));
    lake.setColorAt(1, QColor(40, 90, 140));
    p.setBrush(lake);
    p.drawRect(QRectF(0, 760, kWidth, 200));
    p.setBrush(QColor(255, 240, 200, 120));
    for (int i = 0; i < 6; ++i) {
        p.drawRoundedRect(QRectF(1300 - i * 10, 780 + i * 28, 160 + i * 20, 8), 4, 4);
    }
    // near meadow with trees
    ridge(QColor(60, 110, 60), 960, {{0, 920}, {500, 960}, {1100, 900}, {1920, 950}});
    for (qreal x : {140.0, 230.0, 1600.0, 1700.0, 1790.0}) {
        p.setBrush(QColor(90, 60, 40));
        p.drawRect(QRectF(x - 8, 880, 16, 70));
        p.setBrush(QColor(40, 90, 50));
        QPainterPath tree;
        tree.moveTo(x, 700);
        tree.lineTo(x + 60, 900);
        tree.lineTo(x - 60, 900);
        tree.closeSubpath();
        p.drawPath(tree);
    }
}

void Ocean(QPainter& p) {
    QLinearGradient sky(0, 0, 0, 620);
    sky.setColorAt(0, QColor(255, 140, 90));
    sky.setColorAt(1, QColor(255, 214, 150));
    p.fillRect(QRect(0, 0, kWidth, kHeight), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 240, 210));
    p.drawEllipse(QPointF(960, 600), 170, 170);
    QLinearGradient sea(0, 600, 0, kHeight);
    sea.setColorAt(0, QColor(40, 110, 150));
    sea.setColorAt(1, QColor(12, 48, 80));
    p.setBrush(sea);
    p.drawRect(QRectF(0, 600, kWidth, kHeight - 600));
    p.setBrush(QColor(255, 220, 170, 150));
    for (int i = 0; i < 9; ++i) {
        const qreal w = 300 - i * 26;
        p.drawRoundedRect(QRectF(960 - w / 2, 625 + i * 30, w, 8), 4, 4);
    }
    // a small sailing boat
    p.setBrush(QColor(40, 30, 40));
    QPainterPath hull;
    hull.moveTo(1380, 700);
    hull.lineTo(1560, 700);
    hull.lineTo(1530, 730);
    hull.lineTo(1410, 730);
    hull.closeSubpath();
    p.drawPath(hull);
    p.drawRect(QRectF(1466, 520, 6, 180));
    QPainterPath sail;
    sail.moveTo(1476, 530);
    sail.lineTo(1560, 690);
    sail.lineTo(1476, 690);
    sail.closeSubpath();
    p.setBrush(QColor(255, 248, 236));
    p.drawPath(sail);
    // birds
    p.setPen(QPen(QColor(60, 40, 50), 5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (auto c : {QPointF(520, 240), QPointF(600, 200), QPointF(660, 270)}) {
        QPainterPath bird(c + QPointF(-28, 0));
        bird.quadTo(c + QPointF(-14, -14), c);
        bird.quadTo(c + QPointF(14, -14), c + QPointF(28, 0));
        p.drawPath(bird);
    }
}

bool Save(const QString& path, const std::function<void(QPainter&)>& draw) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        draw(p);
    }
    if (!image.save(path, "JPG", kQuality)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // No window is shown: drawing needs fonts only, which the offscreen
    // platform provides.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <data folder>\n", argv[0]);
        return 2;
    }
    const QString data = QString::fromLocal8Bit(argv[1]);
    const QString dental = data + "/images/dental";
    if (!QDir().mkpath(dental)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(dental));
        return 1;
    }
    // The file list shows pictures sorted by name, so the numbers give the
    // order in which the demo's slides are added.
    bool ok = true;
    ok &= Save(dental + "/01_welcome.jpg", Welcome);
    ok &= Save(dental + "/02_smile.jpg", Smile);
    ok &= Save(dental + "/03_services.jpg", Services);
    ok &= Save(dental + "/04_team.jpg", Team);
    ok &= Save(dental + "/05_book_today.jpg", Booking);
    ok &= Save(dental + "/06_contact.jpg", Contact);
    ok &= Save(data + "/images/abstract.jpg", Abstract);
    ok &= Save(data + "/images/city.jpg", City);
    ok &= Save(data + "/images/landscape.jpg", Landscape);
    ok &= Save(data + "/images/ocean.jpg", Ocean);
    return ok ? 0 : 1;
}
