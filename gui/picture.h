// Pictures of the tool windows for slides and worksheets: the look they are
// drawn with (the projector's large text and lines), the sizes they are
// exported at, the dialog that picks one, and the writing of PNG, PDF and
// SVG files from one paint function that draws for the target device.
#pragma once

#include <QDialog>
#include <QFont>
#include <QObject>
#include <QPainter>
#include <QPointer>
#include <QSizeF>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace corvane::gui {

// How large text, ticks and lines are drawn, in logical pixels (a 96-dpi
// screen's). `large` is 1, or kLarge in the projector view.
struct Look {
    static constexpr double kLarge = 1.8;
    double large = 1;
    // Device pixels to a logical pixel: 1 on the screen, more for a
    // high-resolution file (what a raster inside the picture is made for).
    double device = 1;
    QFont font;  // its size in pixels, `large` applied

    // A length of the normal look (margin, tick, line width) in this one.
    double len(double normal) const { return normal * large; }
    int px(int normal) const;
};
// `base` (a widget's font) at `large`, for a device of `device` pixels to a
// logical one.
Look makeLook(const QFont& base, double large, double device = 1);

// The projector view, one setting for all tool windows while the program
// runs; each window listens while it lives.
class LargeTextSetting {
public:
    bool on() const { return on_; }
    double large() const { return on_ ? Look::kLarge : 1.0; }
    void setOn(bool on);
    // `changed` runs after every change while `context` lives.
    void listen(QObject* context, std::function<void()> changed);

private:
    bool on_ = false;
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> listeners_;
};

enum class PictureFormat { Png, Pdf, Svg };

// The size of the file's picture in pixels and its dots per inch (the
// page of a PDF or SVG is that many pixels at that resolution).
struct PictureSize {
    int width = 0;
    int height = 0;
    double dpi = 96;
    bool operator==(const PictureSize&) const = default;
};

// What the options dialog chooses.
struct PictureOptions {
    enum class Size { Window, FullHd, UltraHd, A4, Letter, Custom };
    Size size = Size::Window;
    int customWidth = 1600;
    int customHeight = 1200;
    bool caption = true;
};
// The pixels and resolution of a choice for a window's plot of `window`
// logical pixels: presets at their own resolution, custom sizes at 96 dpi
// per 1000 pixels of width (at least 96).
PictureSize pictureSize(const PictureOptions& options, QSize window);

// Asked after the file is chosen: size and caption.
class PictureOptionsDialog : public QDialog {
public:
    PictureOptionsDialog(QWidget* parent, const PictureOptions& options);
    PictureOptions options() const;
    void setOptions(const PictureOptions& options);

private:
    QComboBox* size_;
    QSpinBox* width_;
    QSpinBox* height_;
    QCheckBox* caption_;
};
using PictureOptionsAsker =
    std::function<std::optional<PictureOptions>(QWidget* owner, const PictureOptions& last)>;
// The dialog, modal over `owner`; empty when cancelled.
std::optional<PictureOptions> askPictureOptions(QWidget* owner, const PictureOptions& last);

// A save dialog for a picture in `format` over `owner`, offering
// `defaultName` (its extension replaced by the format's). Empty when
// cancelled.
std::optional<std::string> askPicturePath(QWidget* owner, const std::string& defaultName,
                                          PictureFormat format);

// Draws the picture into [0, size] of the painter's logical pixels; false
// when it could not (no memory for what it needs): nothing is written then.
using PaintPicture = std::function<bool(QPainter& painter, QSizeF size, const Look& look)>;

struct PictureRequest {
    std::string path;
    PictureFormat format = PictureFormat::Png;
    PictureSize size;
    QString title;        // the window's title
    QStringList caption;  // lines under the picture; none: no caption
    double large = 1;
    QFont font;  // the window's
};

// The request for a picture of `plot` (its size sets "window size", its font
// the text) as `options` ask, with `caption` under it when they ask for one.
PictureRequest pictureRequest(std::string path, PictureFormat format, const PictureOptions& options,
                              const QWidget& plot, const QString& title, double large,
                              const std::vector<std::string>& caption);

// The file, drawn for its own device: PNG pixels, or PDF and SVG vectors
// (text as text); the caption under the picture and in the file's
// description. Whole or not at all.
platform::ExportOutcome writePicture(const PictureRequest& request, const PaintPicture& paint);

}  // namespace corvane::gui
