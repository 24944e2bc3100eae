#pragma once
// Chart pictures written to files without a display: PNG (raster), SVG and PDF (vector).

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "graphics/chart_input.h"
#include "graphics/chart_settings.h"

class QGuiApplication;

namespace gvm::graphics {

enum class PictureFormat { Png, Svg, Pdf };

// "png", "svg" or "pdf" (any case); nullopt for anything else.
std::optional<PictureFormat> PictureFormatFromName(std::string_view name);

// Renders the charts of a run into `path` on a white ground of width x height pixels (PDF:
// points), as the graph window would show them at that size. The settings' show flags and
// colours apply; the ranges are computed for the run. Throws EGravimont when the size is
// not positive or too large, or when the file cannot be written. Needs a QGuiApplication;
// without one it runs inside a temporary headless one.
void RenderChart(const ChartInput& in, const ChartSettings& settings, PictureFormat format,
                 const std::string& path, int width, int height);

// Largest picture side [px].
inline constexpr int kMaxPictureSide = 20000;

// A QGuiApplication for programs without a display: the "offscreen" platform unless the
// environment names another. Does nothing when an application exists already.
class HeadlessGui {
public:
    HeadlessGui();
    ~HeadlessGui();
    HeadlessGui(const HeadlessGui&) = delete;
    HeadlessGui& operator=(const HeadlessGui&) = delete;

private:
    int argc_ = 1;
    char name_[16] = "gravimont";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QGuiApplication> app_;
};

}  // namespace gvm::graphics
