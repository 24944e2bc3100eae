// The QPainter surface and chart pictures written without a display: PNG, SVG and PDF files
// of the demo run, the errors for a bad size and an unwritable path, and exclusive-or drawing
// on a raster image.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/errors.h"
#include "chart_fixture.h"
#include "graphics/qt/qpainter_surface.h"
#include "graphics/qt/render_chart.h"

namespace gvm::graphics {
namespace {

namespace fs = std::filesystem;

class Pictures : public testing::Test {
protected:
    static void SetUpTestSuite() { gui_ = new HeadlessGui; }
    static void TearDownTestSuite() {
        delete gui_;
        gui_ = nullptr;
    }
    Pictures() {
        dir_ = fs::temp_directory_path() / ("gvm-chart-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        settings_.ShowTime = settings_.ShowSpeed = settings_.ShowAccel = settings_.ShowTrack = true;
    }
    ~Pictures() override { fs::remove_all(dir_); }
    std::string Path(const char* name) const { return (dir_ / name).string(); }
    static std::string Head(const std::string& path, std::size_t n) {
        std::ifstream in(path, std::ios::binary);
        std::string s(n, '\0');
        in.read(s.data(), static_cast<std::streamsize>(n));
        s.resize(static_cast<std::size_t>(in.gcount()));
        return s;
    }

    static HeadlessGui* gui_;
    test::DemoChart demo_;
    ChartSettings settings_;
    fs::path dir_;
};

HeadlessGui* Pictures::gui_ = nullptr;

TEST_F(Pictures, PngHasTheSizeAndShowsTheCurves) {
    const std::string path = Path("s1.png");
    RenderChart(demo_.in, settings_, PictureFormat::Png, path, 1200, 700);
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(path)));
    EXPECT_EQ(image.width(), 1200);
    EXPECT_EQ(image.height(), 700);
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white));
    // Some pixels in the speed colour and in the profile colour.
    int red = 0, profile = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y) & 0xFFFFFF;
            red += c == 0xFF0000;
            profile += c == 0xC00000;
        }
    EXPECT_GT(red, 500);
    EXPECT_GT(profile, 500);
}

TEST_F(Pictures, SvgAndPdfAreVectorPictures) {
    const std::string svg = Path("s1.svg"), pdf = Path("s1.pdf");
    RenderChart(demo_.in, settings_, PictureFormat::Svg, svg, 1200, 700);
    RenderChart(demo_.in, settings_, PictureFormat::Pdf, pdf, 1200, 700);
    std::ifstream in(svg);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("<svg"), std::string::npos);
    EXPECT_NE(text.find("Distanz [m]"), std::string::npos);
    EXPECT_EQ(Head(pdf, 4), "%PDF");
    EXPECT_GT(fs::file_size(pdf), 1000u);
}

TEST_F(Pictures, BadSizeAndUnwritablePathAreErrors) {
    for (const auto& [w, h] : {std::pair{0, 100}, std::pair{100, -1}, std::pair{kMaxPictureSide + 1, 10}}) {
        try {
            RenderChart(demo_.in, settings_, PictureFormat::Png, Path("x.png"), w, h);
            ADD_FAILURE() << w << " x " << h;
        } catch (const EGravimont& e) {
            EXPECT_NE(std::string(e.what()).find("Bildgröße"), std::string::npos) << e.what();
        }
    }
    const std::string bad = (dir_ / "missing" / "s1.png").string();
    try {
        RenderChart(demo_.in, settings_, PictureFormat::Png, bad, 300, 200);
        ADD_FAILURE() << "no error";
    } catch (const EGravimont& e) {
        EXPECT_EQ(std::string(e.what()), "Die Datei \"" + bad + "\" kann nicht geschrieben werden.");
    }
    EXPECT_FALSE(fs::exists(bad));
}

TEST_F(Pictures, FormatNames) {
    EXPECT_EQ(PictureFormatFromName("PNG"), PictureFormat::Png);
    EXPECT_EQ(PictureFormatFromName("svg"), PictureFormat::Svg);
    EXPECT_EQ(PictureFormatFromName("Pdf"), PictureFormat::Pdf);
    EXPECT_EQ(PictureFormatFromName("wmf"), std::nullopt);
}

TEST_F(Pictures, XorDrawnTwiceRestoresTheImage) {
    QImage image(64, 32, QImage::Format_RGB32);
    image.fill(Qt::white);
    const QImage before = image.copy();
    QPainter painter(&image);
    QPainterSurface s(painter);
    ASSERT_TRUE(s.CanXor());
    s.SetDrawMode(DrawMode::Xor);
    s.SetPen({0x00FF00, 1, PenStyle::Solid});
    s.Line({10, 0}, {10, 31});
    painter.end();
    EXPECT_NE(image, before);
    painter.begin(&image);
    QPainterSurface again(painter);
    again.SetDrawMode(DrawMode::Xor);
    again.SetPen({0x00FF00, 1, PenStyle::Solid});
    again.Line({10, 0}, {10, 31});
    painter.end();
    EXPECT_EQ(image, before);
}

TEST_F(Pictures, TextMetricsAndClipping) {
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QPainterSurface s(painter);
    s.SetFont({0, 12, false});
    const TextSize a = s.TextExtent("0.00"), b = s.TextExtent("000.00");
    EXPECT_GT(a.width, 10);
    EXPECT_GT(b.width, a.width);
    EXPECT_GE(a.height, 12);
    s.SetClip(Rect{0, 0, 50, 100});
    s.SetPen({0xFF0000, 1, PenStyle::Solid});
    s.SetBrush({0xFF0000, BrushStyle::Solid});
    s.Rectangle({20, 20, 120, 60});
    painter.end();
    EXPECT_EQ(image.pixel(30, 40) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(image.pixel(80, 40) & 0xFFFFFF, 0xFFFFFFu) << "outside the clip";
}

}  // namespace
}  // namespace gvm::graphics
