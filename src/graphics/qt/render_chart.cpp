#include "graphics/qt/render_chart.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>
#include <cctype>

#include <unistd.h>

#include "base/errors.h"
#include "graphics/chart_painter.h"
#include "graphics/qt/qpainter_surface.h"

namespace gvm::graphics {

namespace {

// The chart on an active painter of a device of this size.
void PaintOn(QPainter& painter, const ChartInput& in, const ChartSettings& settings, int width, int height) {
    painter.fillRect(0, 0, width, height, Qt::white);
    QPainterSurface surface(painter);
    Chart chart;
    chart.settings = settings;
    chart.settings.colors.Background = 0xFFFFFF;
    chart.SetArea({width - 3, height - 3, 3, 3, false, true});
    chart.Open(in, surface);
    chart.Paint(surface);
}

void Begin(QPainter& painter, QPaintDevice& device, const std::string& path) {
    if (!painter.begin(&device))
        throw EGravimont("Die Datei \"" + path + "\" kann nicht geschrieben werden.");
}

void WritePng(QFile& file, const std::string& path, const ChartInput& in, const ChartSettings& s, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    if (image.isNull()) throw EGravimont("Das Bild ist zu groß für den Speicher.");
    QPainter painter;
    Begin(painter, image, path);
    PaintOn(painter, in, s, w, h);
    painter.end();
    if (!image.save(&file, "PNG"))
        throw EGravimont("Die Datei \"" + path + "\" konnte nicht vollständig geschrieben werden.");
}

void WriteSvg(QFile& file, const std::string& path, const ChartInput& in, const ChartSettings& s, int w, int h) {
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(QSize(w, h));
    svg.setViewBox(QRect(0, 0, w, h));
    svg.setTitle("Gravimont");
    QPainter painter;
    Begin(painter, svg, path);
    PaintOn(painter, in, s, w, h);
    painter.end();
}

void WritePdf(QFile& file, const std::string& path, const ChartInput& in, const ChartSettings& s, int w, int h) {
    QPdfWriter pdf(&file);
    pdf.setResolution(72);  // one device pixel = one point
    pdf.setPageLayout(QPageLayout(QPageSize(QSizeF(w, h), QPageSize::Point), QPageLayout::Portrait, QMarginsF()));
    pdf.setCreator("Gravimont");
    QPainter painter;
    Begin(painter, pdf, path);
    PaintOn(painter, in, s, w, h);
    painter.end();
}

}  // namespace

std::optional<PictureFormat> PictureFormatFromName(std::string_view name) {
    std::string n(name);
    std::transform(n.begin(), n.end(), n.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (n == "png") return PictureFormat::Png;
    if (n == "svg") return PictureFormat::Svg;
    if (n == "pdf") return PictureFormat::Pdf;
    return std::nullopt;
}

void RenderChart(const ChartInput& in, const ChartSettings& settings, PictureFormat format,
                 const std::string& path, int width, int height) {
    if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide)
        throw EGravimont("Ungültige Bildgröße " + std::to_string(width) + " x " + std::to_string(height) +
                         " (erlaubt: 1 bis " + std::to_string(kMaxPictureSide) + " Pixel je Seite).");
    HeadlessGui gui;
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw EGravimont("Die Datei \"" + path + "\" kann nicht geschrieben werden.");
    switch (format) {
        case PictureFormat::Png:
            WritePng(file, path, in, settings, width, height);
            break;
        case PictureFormat::Svg:
            WriteSvg(file, path, in, settings, width, height);
            break;
        case PictureFormat::Pdf:
            WritePdf(file, path, in, settings, width, height);
            break;
    }
    file.close();
    if (file.error() != QFileDevice::NoError)
        throw EGravimont("Die Datei \"" + path + "\" konnte nicht vollständig geschrieben werden.");
}

HeadlessGui::HeadlessGui() {
    if (QGuiApplication::instance() != nullptr) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt falls back to this folder anyway, but warns on stderr of every command-line call.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString dir = QDir::tempPath() + "/runtime-" + QString::number(getuid());
        if (QDir().mkpath(dir)) {
            QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            qputenv("XDG_RUNTIME_DIR", dir.toLocal8Bit());
        }
    }
    app_ = std::make_unique<QGuiApplication>(argc_, argv_);
}

HeadlessGui::~HeadlessGui() = default;

}  // namespace gvm::graphics
