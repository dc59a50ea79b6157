// The brand's logo through the renderer: rendered with and without it and
// decoded, frame by frame.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>

#include "LogoOverlay.h"
#include "MediaProbe.h"
#include "RenderEngine.h"
#include "RenderTimeline.h"
#include "TestSupport.h"

using vm::Motion;

namespace {

QString WritePicture(const QString& path, const QColor& color, int rings) {
    QImage image(480, 270, QImage::Format_RGB888);
    image.fill(color);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::white, 3));
    for (int k = 0; k < rings; ++k) painter.drawEllipse(QPoint(240, 135), 18 * k + 5, 11 * k + 5);
    painter.end();
    EXPECT_TRUE(image.save(path, "JPG", 95));
    return path;
}

bool SamePixels(const QImage& a, const QImage& b, const QRect& area) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) return false;
    return true;
}

}  // namespace

// Slides that move and blend and an opaque logo in the bottom corner: the
// logo's pixels are the same on every frame (nothing moves or blends under
// it), and every pixel away from it is what the video without a logo shows.
// With captions running the frame's width they stand above it, and the logo
// is still the same on every frame.
TEST(VideoLogo, StandsStillOnEveryFrameAndNowhereElse) {
    const QString folder = testsupport::FreshAppFolder("logo_render");
    QImage mark(200, 100, QImage::Format_ARGB32);
    mark.fill(QColor(250, 200, 0));
    QPainter painter(&mark);
    painter.fillRect(20, 20, 80, 60, QColor(120, 0, 160));
    painter.end();
    const QString logoPath = folder + "/logo.png";
    ASSERT_TRUE(mark.save(logoPath));

    vm::RenderJob job;
    job.width = 320;
    job.height = 180;
    const std::string a = WritePicture(folder + "/a.jpg", QColor(200, 40, 40), 12).toStdString();
    const std::string b = WritePicture(folder + "/b.jpg", QColor(40, 60, 200), 8).toStdString();
    job.images = {{a, 1.2, Motion::None, 0}, {b, 1.6, Motion::ZoomIn, 0.2}, {a, 1.2}};
    job.transitions = {{vm::TransitionTypeNamed("wipeleft"), 1.2, 1.8},
                       {vm::TransitionTypeNamed("dissolve"), 2.8, 3.4}};
    auto render = [&](const char* name) {
        const QString path = folder + "/" + name + ".avi";
        const vm::RenderResult made = vm::RenderVideoFile(job, path.toStdString(), nullptr, {});
        EXPECT_TRUE(made.ok) << made.Text();
        return testsupport::DecodeFrames(path);
    };
    const std::vector<QImage> without = render("plain");
    job.logo = {logoPath.toStdString(), "bottomRight", 25, 1.0, 3};
    const std::vector<QImage> with = render("branded");
    job.captions = {{0.3, 3.6, "Words across the whole width of the frame\nand a second line"}};
    const std::vector<QImage> captioned = render("captioned");

    // Where it stands: a quarter of the width, its aspect kept, 3% in.
    vm::LogoOverlay overlay;
    vm::RenderResult opened;
    ASSERT_TRUE(overlay.Open(job.logo, {320, 180, AV_PIX_FMT_YUV420P, false, false}, &opened));
    const QRect logo(overlay.X(), overlay.Y(), overlay.Width(), overlay.Height());
    EXPECT_EQ(logo, QRect(310 - 80, 170 - 40, 80, 40));

    ASSERT_EQ(with.size(), 100u);
    ASSERT_EQ(without.size(), with.size());
    ASSERT_EQ(captioned.size(), with.size());
    const QRect inside = logo.adjusted(2, 2, -2, -2);
    const QRect around = logo.adjusted(-2, -2, 2, 2);
    for (size_t f = 0; f < with.size(); ++f) {
        SCOPED_TRACE(f);
        EXPECT_TRUE(SamePixels(with[f], with[0], inside));
        EXPECT_TRUE(SamePixels(captioned[f], with[0], inside));
        EXPECT_FALSE(SamePixels(with[f], without[f], inside));
        // Everything else as it was: the rows above it and the columns beside it.
        EXPECT_TRUE(SamePixels(with[f], without[f], QRect(0, 0, 320, around.top())));
        EXPECT_TRUE(SamePixels(with[f], without[f], QRect(0, 0, around.left(), 180)));
    }
    // The logo's own colours, where its picture has them.
    const QColor yellow = with[40].pixelColor(inside.left() + 2, inside.top() + 1);
    const QColor purple = with[40].pixelColor(logo.left() + 20, logo.top() + 20);
    EXPECT_LT(testsupport::ColorDistance(yellow, QColor(250, 200, 0)), 12);
    EXPECT_LT(testsupport::ColorDistance(purple, QColor(120, 0, 160)), 12);
    // The captions were drawn, all above the logo's top.
    EXPECT_FALSE(SamePixels(captioned[50], with[50], QRect(0, 0, 320, around.top())));
    EXPECT_TRUE(
        SamePixels(captioned[50], with[50], QRect(0, around.top(), 320, 180 - around.top())));
}

// A logo that cannot be read fails the render with its name, and no file.
TEST(VideoLogo, UnreadableLogoFailsTheRender) {
    const QString folder = testsupport::FreshAppFolder("logo_bad");
    ASSERT_TRUE(testsupport::WriteSolidImage(folder + "/a.jpg", 64, 36, Qt::red));
    QFile bad(folder + "/logo.png");
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a picture");
    bad.close();
    vm::RenderJob job;
    job.width = 64;
    job.height = 36;
    job.images = {{(folder + "/a.jpg").toStdString(), 1}};
    job.logo.path = bad.fileName().toStdString();
    const QString out = folder + "/out.avi";
    const vm::RenderResult made = vm::RenderVideoFile(job, out.toStdString(), nullptr, {});
    EXPECT_FALSE(made.ok);
    EXPECT_EQ(made.stage, "reading the logo " + job.logo.path);
    EXPECT_FALSE(QFile::exists(out));
}
