#include "gui/picture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSpinBox>
#include <QSvgGenerator>
#include <cmath>

#include "gui/export.h"

namespace corvane::gui {

using platform::ExportOutcome;

int Look::px(int normal) const { return static_cast<int>(std::lround(normal * large)); }

Look makeLook(const QFont& base, double large, double device) {
    Look look;
    look.large = large;
    look.device = device;
    look.font = base;
    // Pixels, not points: the painter's scale alone makes it larger for a
    // file of higher resolution.
    const int pixels = QFontInfo(base).pixelSize();
    look.font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels * large))));
    return look;
}

void LargeTextSetting::setOn(bool on) {
    if (on == on_) return;
    on_ = on;
    std::erase_if(listeners_, [](const auto& l) { return l.first.isNull(); });
    const auto listeners = listeners_;
    for (const auto& [context, changed] : listeners) {
        if (context) changed();
    }
}

void LargeTextSetting::listen(QObject* context, std::function<void()> changed) {
    std::erase_if(listeners_, [](const auto& l) { return l.first.isNull(); });
    listeners_.emplace_back(context, std::move(changed));
}

PictureSize pictureSize(const PictureOptions& o, QSize window) {
    using Size = PictureOptions::Size;
    switch (o.size) {
        case Size::Window:
            return {window.width(), window.height(), 96};
        case Size::FullHd:
            return {1920, 1080, 192};
        case Size::UltraHd:
            return {3840, 2160, 384};
        case Size::A4:  // 210 × 297 mm
            return {2480, 3508, 300};
        case Size::Letter:  // 8.5 × 11 in
            return {2550, 3300, 300};
        case Size::Custom:
            return {o.customWidth, o.customHeight, std::max(96.0, 96.0 * o.customWidth / 1000.0)};
    }
    return {window.width(), window.height(), 96};
}

PictureOptionsDialog::PictureOptionsDialog(QWidget* parent, const PictureOptions& options)
    : QDialog(parent) {
    setObjectName(QStringLiteral("PictureOptionsDialog"));
    setWindowTitle(QStringLiteral("Picture options"));
    size_ = new QComboBox(this);
    size_->setObjectName(QStringLiteral("size"));
    size_->addItems({QStringLiteral("Window size"), QStringLiteral("1920 \u00d7 1080"),
                     QStringLiteral("3840 \u00d7 2160"), QStringLiteral("A4 at 300 dpi"),
                     QStringLiteral("Letter at 300 dpi"), QStringLiteral("Custom")});
    width_ = new QSpinBox(this);
    height_ = new QSpinBox(this);
    for (QSpinBox* box : {width_, height_}) {
        box->setRange(100, 10000);
        box->setSuffix(QStringLiteral(" px"));
    }
    width_->setObjectName(QStringLiteral("width"));
    height_->setObjectName(QStringLiteral("height"));
    caption_ =
        new QCheckBox(QStringLiteral("&Caption: the map, the view and the parameters"), this);
    caption_->setObjectName(QStringLiteral("caption"));
    auto* custom = new QHBoxLayout;
    custom->addWidget(width_);
    custom->addWidget(new QLabel(QStringLiteral("\u00d7"), this));
    custom->addWidget(height_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("&Size:"), size_);
    form->addRow(QStringLiteral("Custom:"), custom);
    form->addRow(caption_);
    form->addRow(buttons);
    connect(size_, &QComboBox::currentIndexChanged, this, [this](int index) {
        const bool own = index == int(PictureOptions::Size::Custom);
        width_->setEnabled(own);
        height_->setEnabled(own);
    });
    setOptions(options);
}

PictureOptions PictureOptionsDialog::options() const {
    PictureOptions o;
    o.size = static_cast<PictureOptions::Size>(size_->currentIndex());
    o.customWidth = width_->value();
    o.customHeight = height_->value();
    o.caption = caption_->isChecked();
    return o;
}

void PictureOptionsDialog::setOptions(const PictureOptions& o) {
    size_->setCurrentIndex(int(o.size));
    width_->setValue(o.customWidth);
    height_->setValue(o.customHeight);
    caption_->setChecked(o.caption);
    const bool own = o.size == PictureOptions::Size::Custom;
    width_->setEnabled(own);
    height_->setEnabled(own);
}

std::optional<PictureOptions> askPictureOptions(QWidget* owner, const PictureOptions& last) {
    PictureOptionsDialog dialog(owner, last);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.options();
}

namespace {

const char* extension(PictureFormat format) {
    switch (format) {
        case PictureFormat::Png:
            return "png";
        case PictureFormat::Pdf:
            return "pdf";
        case PictureFormat::Svg:
            return "svg";
    }
    return "png";
}

ExportOutcome failed(const QString& path, const QString& reason) {
    return {ExportOutcome::Status::Failed,
            ("Cannot write " + QDir::toNativeSeparators(path) + ": " + reason).toStdString()};
}

// The caption's lines under the picture, in `look`'s font; their height.
double captionHeight(const QStringList& lines, const Look& look) {
    if (lines.isEmpty()) return 0;
    return lines.size() * QFontMetricsF(look.font).lineSpacing() + look.len(12);
}

void paintCaption(QPainter& p, const QStringList& lines, QRectF area, const Look& look) {
    p.setFont(look.font);
    p.setPen(Qt::black);
    const QFontMetricsF fm(look.font);
    double y = area.top() + look.len(6) + fm.ascent();
    for (const QString& line : lines) {
        p.drawText(QPointF(area.left() + look.len(10), y), line);
        y += fm.lineSpacing();
    }
}

// Paints the whole page: white, the picture, the caption under it; false
// when the picture could not be drawn.
bool paintPage(QPainter& p, const PictureRequest& r, const PaintPicture& paint) {
    const double device = r.size.dpi / 96.0;
    p.scale(device, device);
    const QSizeF page(r.size.width / device, r.size.height / device);
    const Look look = makeLook(r.font, r.large, device);
    p.fillRect(QRectF(QPointF(0, 0), page), Qt::white);
    const double under = captionHeight(r.caption, look);
    const QSizeF picture(page.width(), std::max(1.0, page.height() - under));
    p.save();
    p.setClipRect(QRectF(QPointF(0, 0), picture));
    const bool drawn = paint(p, picture, look);
    p.restore();
    if (under > 0)
        paintCaption(p, r.caption, QRectF(0, picture.height(), page.width(), under), look);
    return drawn;
}

}  // namespace

std::optional<std::string> askPicturePath(QWidget* owner, const std::string& defaultName,
                                          PictureFormat format) {
    const QString ext = QString::fromLatin1(extension(format));
    QFileDialog dialog(owner, QStringLiteral("Export picture"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(ext.toUpper() + QStringLiteral(" (*.") + ext + ")");
    dialog.setDefaultSuffix(ext);
    dialog.setDirectory(lastExportFolder().isEmpty() ? QDir::currentPath() : lastExportFolder());
    dialog.selectFile(QFileInfo(QString::fromStdString(defaultName)).completeBaseName() + "." +
                      ext);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString path = dialog.selectedFiles().constFirst();
    lastExportFolder() = QFileInfo(path).absolutePath();
    return path.toStdString();
}

PictureRequest pictureRequest(std::string path, PictureFormat format, const PictureOptions& options,
                              const QWidget& plot, const QString& title, double large,
                              const std::vector<std::string>& caption) {
    PictureRequest request;
    request.path = std::move(path);
    request.format = format;
    request.size = pictureSize(options, plot.size());
    request.title = title;
    request.large = large;
    request.font = plot.font();
    if (options.caption) {
        for (const std::string& line : caption) request.caption << QString::fromStdString(line);
    }
    return request;
}

ExportOutcome writePicture(const PictureRequest& r, const PaintPicture& paint) {
    const QString path = QString::fromStdString(r.path);
    if (r.size.width < 1 || r.size.height < 1) return failed(path, QStringLiteral("empty picture"));
    const QString description =
        r.caption.isEmpty() ? r.title : r.title + QStringLiteral(" \u2014 ") + r.caption.join("; ");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return failed(path, file.errorString());
    bool ok = true;
    switch (r.format) {
        case PictureFormat::Png: {
            QImage image(r.size.width, r.size.height, QImage::Format_RGB32);
            const int dotsPerMeter = static_cast<int>(std::lround(r.size.dpi / 0.0254));
            image.setDotsPerMeterX(dotsPerMeter);
            image.setDotsPerMeterY(dotsPerMeter);
            image.setText(QStringLiteral("Title"), r.title);
            if (!r.caption.isEmpty()) image.setText(QStringLiteral("Description"), description);
            if (image.isNull()) {
                ok = false;
                break;
            }
            {
                QPainter p(&image);
                ok = paintPage(p, r, paint);
            }
            ok = ok && image.save(&file, "PNG");
            break;
        }
        case PictureFormat::Pdf: {
            QPdfWriter pdf(&file);
            pdf.setTitle(description);
            pdf.setCreator(QStringLiteral("Corvane"));
            pdf.setResolution(static_cast<int>(std::lround(r.size.dpi)));
            const QSizeF inches(r.size.width / r.size.dpi, r.size.height / r.size.dpi);
            pdf.setPageLayout(
                QPageLayout(QPageSize(inches, QPageSize::Inch, QString(), QPageSize::ExactMatch),
                            QPageLayout::Portrait, QMarginsF()));
            QPainter p;
            ok = p.begin(&pdf);
            if (ok) {
                // The PDF's resolution is whole dots per inch.
                PictureRequest whole = r;
                whole.size.dpi = pdf.resolution();
                ok = paintPage(p, whole, paint);
                p.end();
            }
            break;
        }
        case PictureFormat::Svg: {
            QSvgGenerator svg;
            svg.setOutputDevice(&file);
            svg.setSize(QSize(r.size.width, r.size.height));
            svg.setViewBox(QRect(0, 0, r.size.width, r.size.height));
            svg.setResolution(static_cast<int>(std::lround(r.size.dpi)));
            svg.setTitle(r.title);
            svg.setDescription(description);
            QPainter p;
            ok = p.begin(&svg);
            if (ok) {
                ok = paintPage(p, r, paint);
                p.end();
            }
            break;
        }
    }
    if (!ok) {
        file.cancelWriting();
        return failed(path, QStringLiteral("the %1 could not be drawn or written (not enough "
                                           "memory for %2 \u00d7 %3 pixels?)")
                                .arg(QString::fromLatin1(extension(r.format)).toUpper())
                                .arg(r.size.width)
                                .arg(r.size.height));
    }
    if (!file.commit()) return failed(path, file.errorString());
    return {};
}

}  // namespace corvane::gui
