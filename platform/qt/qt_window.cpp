#include "platform/qt/qt_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <utility>

namespace corvane::platform {

namespace {

constexpr std::uint32_t kBlack = 0xFF000000u;
constexpr std::uint32_t kWhite = 0xFFFFFFFFu;

// Pixel coordinates are kept within this range so that widget geometry and
// the rasteriser's fixed-point arithmetic never overflow.
constexpr double kPixelLimit = 16777216.0;  // 2^24
// Lines whose ends lie farther out than this are clipped before drawing.
constexpr double kLineLimit = 1048576.0;  // 2^20
// Largest size given to a window's client area, in pixels (X11's limit).
constexpr int kMaxWindowPixels = 32000;

QString toQString(const std::string& text) { return QString::fromUtf8(text); }

// Menu captions are shown literally: '&' is not a mnemonic marker.
QString menuCaption(const std::string& caption) {
    return toQString(caption).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

// Splits text into lines at CR LF, CR or LF.
QStringList textLines(const std::string& text) {
    QString s = toQString(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s.split(QLatin1Char('\n'));
}

bool finite(double a, double b, double c, double d) {
    return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d);
}

// Cohen-Sutherland clipping of a segment to [lo, hi] on both axes, in long
// double so that products of huge coordinates neither overflow nor lose the
// line: a moved end lands exactly on the box, its other coordinate is
// interpolated from the original ends. False when the segment misses the box.
bool clipSegment(long double& x1, long double& y1, long double& x2, long double& y2, long double lo,
                 long double hi) {
    enum : unsigned { kLeft = 1, kRight = 2, kAbove = 4, kBelow = 8 };
    const auto outcode = [lo, hi](long double x, long double y) {
        return (x < lo ? kLeft : x > hi ? kRight : 0u) | (y < lo ? kAbove : y > hi ? kBelow : 0u);
    };
    for (int round = 0; round < 8; ++round) {
        const unsigned c1 = outcode(x1, y1);
        const unsigned c2 = outcode(x2, y2);
        if ((c1 | c2) == 0) return true;
        if ((c1 & c2) != 0) return false;
        const unsigned c = c1 ? c1 : c2;
        long double x;
        long double y;
        if (c & (kAbove | kBelow)) {
            y = (c & kAbove) ? lo : hi;
            x = x1 + (x2 - x1) * (y - y1) / (y2 - y1);
        } else {
            x = (c & kLeft) ? lo : hi;
            y = y1 + (y2 - y1) * (x - x1) / (x2 - x1);
        }
        if (!std::isfinite(x) || !std::isfinite(y)) return false;
        if (c == c1) {
            x1 = x;
            y1 = y;
        } else {
            x2 = x;
            y2 = y;
        }
    }
    return outcode(x1, y1) == 0 && outcode(x2, y2) == 0;
}

// The same rounding as QtDesktop::toPixel, done in double like PSet does.
int roundPixel(long double v) { return static_cast<int>(std::floor(static_cast<double>(v) + 0.5)); }

}  // namespace

// --- QtDesktop ---------------------------------------------------------------

QtDesktop::QtDesktop() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const double dpi = screen->logicalDotsPerInchX();
        if (std::isfinite(dpi) && dpi > 0) dpi_ = dpi;
        screen_ = screen->size();
    }
    if (screen_.isEmpty()) screen_ = QSize(1024, 768);
    // Windows may be moved to a larger screen: the drawing surfaces start as
    // large as the largest one in each direction.
    largest_ = screen_;
    for (QScreen* screen : QGuiApplication::screens()) largest_ = largest_.expandedTo(screen->size());
    tpp_ = 1440.0 / dpi_;
    // On a screen of several device pixels per logical pixel (pixel ratio 2,
    // QT_SCALE_FACTOR=2) the drawing surfaces have the device's pixels.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const double ratio = screen->devicePixelRatio();
        if (std::isfinite(ratio) && ratio >= 1) ratio_ = ratio;
    }
    surfaceTpp_ = tpp_ / ratio_;

    // Frame decorations are known only once a window is on screen (the
    // window manager adds them). Until then: whatever the platform reports for
    // a created but unmapped window (the offscreen platform reports its fixed
    // margins), or, on a real desktop where that is still nothing, the style's
    // title bar height and frame width as a guess.
    const QString platform = QGuiApplication::platformName();
    stacking_ = platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
    QWidget probe;
    probe.winId();
    if (QWindow* handle = probe.windowHandle()) frame_ = handle->frameMargins();
    if (frame_.isNull() && stacking_) {
        QStyle* style = QApplication::style();
        const int border = style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
        const int title = style->pixelMetric(QStyle::PM_TitleBarHeight);
        frame_ = QMargins(border, title + border, border, border);
    }
}

int QtDesktop::toPixel(double twips) const { return roundToPixel(twips / tpp_); }

int QtDesktop::toSurfacePixel(double twips) const { return roundToPixel(twips / surfaceTpp_); }

int QtDesktop::roundToPixel(double pixels) {
    const double p = std::floor(pixels + 0.5);
    if (std::isnan(p)) return 0;
    return static_cast<int>(std::clamp(p, -kPixelLimit, kPixelLimit));
}

void QtDesktop::runCommand(const std::function<void()>& command, QWidget* owner) {
    if (!command || commandRunning_ || ending_) return;
    // The handler may replace the menu that holds it: run a copy.
    const std::function<void()> run = command;
    commandRunning_ = true;
    commandWindow_ = owner;
    try {
        run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "corvane: command failed: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "corvane: command failed\n");
    }
    commandWindow_ = nullptr;
    commandRunning_ = false;
    flush();
}

void QtDesktop::shownDuringCommand(QWidget* window) {
    if (commandRunning_) commandWindow_ = window;
}

QWidget* QtDesktop::dialogOwner() const {
    if (commandWindow_ && commandWindow_->isVisible()) return commandWindow_;
    QWidget* active = QApplication::activeWindow();
    return active && active->isVisible() ? active : nullptr;
}

void QtDesktop::flush() {
    for (QtWindow* window : windows_) window->flush();
}

void QtDesktop::endProgram() {
    ending_ = true;
    for (QtWindow* window : windows_) window->hide();
    QCoreApplication::exit(0);
}

void QtDesktop::remove(QtWindow* window) {
    windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
}

// --- QtCanvas, QtForm --------------------------------------------------------

QtCanvas::QtCanvas(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

void QtCanvas::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect area = event->rect();
    painter.fillRect(area, Qt::white);
    if (!image_) return;
    if (ratio_ == 1) {
        const QRect part = area & image_->rect();
        if (!part.isEmpty()) painter.drawImage(part.topLeft(), *image_, part);
        return;
    }
    // The image has the device's pixels: each lands on its own.
    const QRectF source(area.x() * ratio_, area.y() * ratio_, area.width() * ratio_,
                        area.height() * ratio_);
    painter.drawImage(QRectF(area), *image_, source);
}

QtForm::QtForm() { setAttribute(Qt::WA_DeleteOnClose, false); }

void QtForm::closeEvent(QCloseEvent* event) {
    // Closing never destroys the window: the program decides what it means.
    event->ignore();
    if (onCloseRequest && !onCloseRequest()) return;
    if (onFrameClosed) {
        onFrameClosed();
    } else {
        hide();
    }
}

void QtForm::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (onFrameChanged) onFrameChanged();
}

void QtForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (onFrameChanged) onFrameChanged();
}

void QtForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (onFrameChanged) onFrameChanged();
}

// --- fonts and text fields ---------------------------------------------------

namespace {

// Average advance of the letters, in ems, of Helvetica-metric fonts (Arial,
// Liberation Sans, Nimbus Sans), which is close to what the classic sans
// serif dialog fonts had.
constexpr double kSubstituteWidthPerEm = 0.58;
constexpr double kSubstituteBoldWidthPerEm = 0.61;

double widthPerEm(QFont font) {
    font.setPixelSize(100);
    font.setStretch(QFont::Unstretched);
    const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    return QFontMetricsF(font).horizontalAdvance(letters) / letters.size() / 100.0;
}

}  // namespace

// A family that is not installed is replaced by the desktop's sans serif,
// narrowed (never widened) to a Helvetica-like average width: text laid out
// for the requested font then still fits its boxes (DejaVu Sans, the usual
// sans serif on Linux, is about a tenth wider).
QFont toQFont(const Font& requested) {
    // A window that sets no font prints in the desktop's default window font,
    // 8 point "MS Sans Serif": its lines fit the 200 twips the charts leave
    // below their x-axis.
    Font font = requested;
    if (font.name.empty()) {
        font.name = "MS Sans Serif";
        if (!(font.size > 0)) font.size = 8;
    }
    QFont result = QApplication::font();
    if (font.size > 0 && std::isfinite(font.size)) result.setPointSizeF(font.size);
    result.setBold(font.bold);
    if (font.name.empty()) return result;

    const QString family = toQString(font.name);
    result.setStyleHint(QFont::SansSerif);
    if (QFontDatabase::hasFamily(family)) {
        result.setFamily(family);
        return result;
    }
    result.setFamily(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    const double target = font.bold ? kSubstituteBoldWidthPerEm : kSubstituteWidthPerEm;
    const double actual = widthPerEm(result);
    if (actual > target) {
        result.setStretch(
            std::clamp(static_cast<int>(std::lround(100 * target / actual)), 70, 100));
    }
    return result;
}

namespace {

using Desktop = std::shared_ptr<QtDesktop>;

class QtTextField : public TextField {
public:
    QtTextField(QLineEdit* edit, Desktop desktop, QWidget* window)
        : edit_(edit), desktop_(std::move(desktop)), window_(window) {}
    ~QtTextField() override { QObject::disconnect(enter_); }
    std::string text() const override {
        return edit_ ? edit_->text().toUtf8().toStdString() : std::string();
    }
    void setText(const std::string& text) override {
        if (edit_) edit_->setText(toQString(text));
    }
    // Return and the keypad's Enter both raise returnPressed.
    void setOnEnter(std::function<void()> handler) override {
        QObject::disconnect(enter_);
        if (!edit_ || !handler) return;
        enter_ = QObject::connect(
            edit_, &QLineEdit::returnPressed, edit_,
            [desktop = desktop_, window = window_, handler = std::move(handler)] {
                desktop->runCommand(handler, window);
            });
    }

private:
    QPointer<QLineEdit> edit_;
    Desktop desktop_;
    QPointer<QWidget> window_;
    QMetaObject::Connection enter_;
};

void fillMenu(QMenu* menu, const std::vector<MenuItem>& items, const Desktop& desktop,
              const QPointer<QWidget>& window);

// Adds one entry to a menu bar or menu of `window`: a separator for an entry
// without caption, handler or items, a sub-menu (raising onClick as it opens) for an entry with
// items, an action (raising onClick when chosen) otherwise.
template <typename Container>
void addMenuEntry(Container* container, const MenuItem& item, const Desktop& desktop,
                  const QPointer<QWidget>& window) {
    const std::function<void()> onClick = item.onClick;
    if (item.caption.empty() && !item.onClick && item.items.empty()) {
        container->addSeparator()->setObjectName(toQString(item.name));
        return;
    }
    if (item.items.empty()) {
        QAction* action = container->addAction(menuCaption(item.caption));
        action->setObjectName(toQString(item.name));
        QObject::connect(action, &QAction::triggered, action,
                         [desktop, onClick, window] { desktop->runCommand(onClick, window); });
        return;
    }
    QMenu* sub = container->addMenu(menuCaption(item.caption));
    sub->setObjectName(toQString(item.name));
    sub->menuAction()->setObjectName(toQString(item.name));
    QObject::connect(sub, &QMenu::aboutToShow, sub,
                     [desktop, onClick, window] { desktop->runCommand(onClick, window); });
    fillMenu(sub, item.items, desktop, window);
}

void fillMenu(QMenu* menu, const std::vector<MenuItem>& items, const Desktop& desktop,
              const QPointer<QWidget>& window) {
    for (const MenuItem& item : items) addMenuEntry(menu, item, desktop, window);
}

}  // namespace

// --- QtWindow ----------------------------------------------------------------

QtWindow::QtWindow(std::shared_ptr<QtDesktop> desktop, const std::string& name)
    : desktop_(std::move(desktop)),
      tpp_(desktop_->surfaceTwipsPerPixel()),
      pixelsPerTwip_(1.0 / tpp_) {
    adoptImage(blankImage(surfaceSize(desktop_->largestScreenPixels())));
    grid_.pixelsPerTwip = pixelsPerTwip_;
    grid_.ink = kBlack;

    form_ = new QtForm;
    form_->setObjectName(toQString(name));
    // A window starts without a title until its program gives it one.
    form_->setWindowTitle(QString());
    canvas_ = new QtCanvas(form_);
    canvas_->setObjectName(QStringLiteral("canvas"));
    canvas_->setImage(&image_, desktop_->pixelRatio());
    form_->setCentralWidget(canvas_);
    form_->onCloseRequest = [this] { return !desktop_->commandRunning(); };
    form_->onFrameClosed = [this] { frameClosed(); };
    form_->onFrameChanged = [this] {
        if (form_->isVisible()) desktop_->learnFrameMargins(currentFrameMargins());
        coverCanvas();
    };

    font_ = toQFont(Font{});

    const QMargins frame = desktop_->frameMargins();
    left_ = 0;
    top_ = 0;
    const double tpp = desktop_->twipsPerPixel();
    width_ = static_cast<float>((640 + frame.left() + frame.right()) * tpp);
    height_ = static_cast<float>((480 + frame.top() + frame.bottom()) * tpp);
    applyGeometry(Edge::Left);
    applyGeometry(Edge::Width);

    desktop_->add(this);
}

QtWindow::~QtWindow() {
    desktop_->remove(this);
    painter_.reset();
    if (!form_) return;
    if (escape_) {
        // Its command may be the one running now.
        QObject::disconnect(escape_, nullptr, nullptr, nullptr);
        escape_->deleteLater();
    }
    form_->onCloseRequest = nullptr;
    form_->onFrameClosed = nullptr;
    form_->onFrameChanged = nullptr;
    canvas_->setImage(nullptr);
    form_->hide();
    // A command of this very window (one of its menu actions) may be what
    // discards it: let Qt finish with the widget first.
    if (desktop_->commandRunning()) {
        form_->deleteLater();
    } else {
        delete form_.data();
    }
}

// Geometry. The frame edges are kept as set, in twips, and applied to the
// widget: position through move() (which places the frame), size through
// resize() of the client area, the frame size less the decorations. A hidden
// window thus answers with exactly what was set; one on screen answers with
// what the window manager made of it (unless that is what was set, to the
// pixel).

QMargins QtWindow::currentFrameMargins() const {
    if (form_->isVisible()) {
        const QRect frame = form_->frameGeometry();
        const QRect client = form_->geometry();
        return QMargins(client.left() - frame.left(), client.top() - frame.top(),
                        frame.right() - client.right(), frame.bottom() - client.bottom());
    }
    return desktop_->frameMargins();
}

void QtWindow::adoptActualGeometry() const {
    if (!form_ || !form_->isVisible()) return;
    const QRect frame = form_->frameGeometry();
    const auto adopt = [this](float& stored, int pixels) {
        if (desktop_->toPixel(stored) != pixels) {
            stored = static_cast<float>(pixels * desktop_->twipsPerPixel());
        }
    };
    adopt(left_, frame.x());
    adopt(top_, frame.y());
    adopt(width_, frame.width());
    adopt(height_, frame.height());
}

void QtWindow::applyGeometry(Edge changed) {
    const auto limit = [](int pixels, int lo) { return std::clamp(pixels, lo, kMaxWindowPixels); };
    if (changed == Edge::Left || changed == Edge::Top) {
        form_->move(limit(desktop_->toPixel(left_), -kMaxWindowPixels),
                    limit(desktop_->toPixel(top_), -kMaxWindowPixels));
        return;
    }
    const QMargins frame = currentFrameMargins();
    form_->resize(limit(desktop_->toPixel(width_) - frame.left() - frame.right(), 1),
                  limit(desktop_->toPixel(height_) - frame.top() - frame.bottom(), 1));
    coverCanvas();
}

// --- the backing image ---------------------------------------------------------

QSize QtWindow::surfaceSize(QSize logical) const {
    const double ratio = desktop_->pixelRatio();
    return QSize(static_cast<int>(std::ceil(logical.width() * ratio)),
                 static_cast<int>(std::ceil(logical.height() * ratio)));
}

QImage QtWindow::blankImage(QSize size) const {
    QImage image(size, QImage::Format_RGB32);
    image.fill(kWhite);
    // Text is measured and drawn in the image's own pixels.
    const double dpi = desktop_->screenDpi() * desktop_->pixelRatio();
    const int dotsPerMeter = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    return image;
}

void QtWindow::adoptImage(QImage image) {
    painter_.reset();
    image_ = std::move(image);
    bits_ = reinterpret_cast<std::uint32_t*>(image_.bits());
    stride_ = image_.bytesPerLine() / static_cast<std::ptrdiff_t>(sizeof(std::uint32_t));
    imageWidth_ = image_.width();
    imageHeight_ = image_.height();
    grid_.bits = bits_;
    grid_.stride = stride_;
    grid_.width = imageWidth_;
    grid_.height = imageHeight_;
}

// A window made larger than its image (larger than any screen was when it
// was made) gets a larger image, with everything drawn so far kept where it
// was. The image never shrinks: what lies beyond a smaller window shows again
// when it grows back.
void QtWindow::coverCanvas() {
    const QSize need = surfaceSize(canvasPixels());
    if (need.width() <= image_.width() && need.height() <= image_.height()) return;
    QImage larger = blankImage(image_.size().expandedTo(need));
    for (int y = 0; y < image_.height(); ++y) {
        std::copy_n(image_.constScanLine(y), image_.bytesPerLine(), larger.scanLine(y));
    }
    adoptImage(std::move(larger));
    dirty_ = true;
}

float QtWindow::edge(Edge which) const {
    adoptActualGeometry();
    switch (which) {
        case Edge::Left:
            return left_;
        case Edge::Top:
            return top_;
        case Edge::Width:
            return width_;
        case Edge::Height:
            return height_;
    }
    return 0;
}

void QtWindow::setEdge(Edge which, float twips) {
    adoptActualGeometry();
    switch (which) {
        case Edge::Left:
            left_ = twips;
            break;
        case Edge::Top:
            top_ = twips;
            break;
        case Edge::Width:
            width_ = twips;
            break;
        case Edge::Height:
            height_ = twips;
            break;
    }
    applyGeometry(which);
}

float QtWindow::Top() const { return edge(Edge::Top); }
float QtWindow::Left() const { return edge(Edge::Left); }
float QtWindow::Width() const { return edge(Edge::Width); }
float QtWindow::Height() const { return edge(Edge::Height); }
void QtWindow::setTop(float twips) { setEdge(Edge::Top, twips); }
void QtWindow::setLeft(float twips) { setEdge(Edge::Left, twips); }
void QtWindow::setWidth(float twips) { setEdge(Edge::Width, twips); }
void QtWindow::setHeight(float twips) { setEdge(Edge::Height, twips); }

// The same computation QMainWindow's layout makes, so that a window that has
// never been shown already knows how tall its menu bar will be.
int QtWindow::menuBarHeight(int clientWidth) const {
    QWidget* bar = form_->menuWidget();
    if (!bar || bar->isHidden()) return 0;
    bar->ensurePolished();
    int height = bar->heightForWidth(std::max(clientWidth, bar->minimumWidth()));
    if (height < 0) height = bar->sizeHint().height();
    return std::clamp(height, bar->minimumSizeHint().height(), bar->maximumHeight());
}

QSize QtWindow::canvasPixels() const {
    const int width = form_->width();
    return QSize(width, std::max(0, form_->height() - menuBarHeight(width)));
}

double QtWindow::ScaleWidth() const { return canvasPixels().width() * desktop_->twipsPerPixel(); }
double QtWindow::ScaleHeight() const {
    return canvasPixels().height() * desktop_->twipsPerPixel();
}

std::string QtWindow::title() const { return form_->windowTitle().toUtf8().toStdString(); }
void QtWindow::setTitle(const std::string& title) { form_->setWindowTitle(toQString(title)); }

void QtWindow::show() {
    flush();
    desktop_->shownDuringCommand(form_);
    form_->show();
    if (desktop_->windowsStack()) form_->raise();
    form_->activateWindow();
}

void QtWindow::hide() {
    adoptActualGeometry();
    form_->hide();
}

bool QtWindow::isVisible() const { return form_->isVisible(); }

void QtWindow::setFont(const Font& font) { font_ = toQFont(font); }

void QtWindow::setMenu(MenuBar menu) {
    auto* bar = new QMenuBar;
    bar->setNativeMenuBar(false);  // always inside the window, where it is measured
    const QPointer<QWidget> window(form_.data());
    for (const MenuItem& item : menu) addMenuEntry(bar, item, desktop_, window);
    form_->setMenuBar(bar);  // the old bar, if any, is deleted later by Qt
}

QRect QtWindow::boxPixels(const ControlBox& box) const {
    const int left = desktop_->toPixel(box.left);
    const int top = desktop_->toPixel(box.top);
    // Edges are rounded, not sizes, so neighbouring controls meet exactly.
    const int right = desktop_->toPixel(box.left + box.width);
    const int bottom = desktop_->toPixel(box.top + box.height);
    return QRect(left, top, std::max(0, right - left), std::max(0, bottom - top));
}

void QtWindow::addLabel(const std::string& name, const std::string& caption, const ControlBox& box,
                        const Font& font) {
    auto* label = new QLabel(canvas_);
    label->setObjectName(toQString(name));
    label->setTextFormat(Qt::PlainText);
    label->setText(toQString(caption));
    label->setFont(toQFont(font));
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    label->setGeometry(boxPixels(box));
    label->show();
}

TextField& QtWindow::addTextField(const std::string& name, const ControlBox& box,
                                  const Font& font) {
    auto* edit = new QLineEdit(canvas_);
    edit->setObjectName(toQString(name));
    edit->setFont(toQFont(font));
    edit->setGeometry(boxPixels(box));
    edit->show();
    if (lastField_) QWidget::setTabOrder(lastField_, edit);
    lastField_ = edit;
    fields_.push_back(std::make_unique<QtTextField>(edit, desktop_, form_));
    return *fields_.back();
}

void QtWindow::setOnFrameClose(std::function<void()> handler) {
    onFrameClose_ = std::move(handler);
}

// Escape anywhere in the window, unless a menu or a dialog of it is open
// (they are windows of their own and take the key first).
void QtWindow::setOnEscape(std::function<void()> handler) {
    onEscape_ = std::move(handler);
    if (!escape_) {
        escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), form_);
        escape_->setObjectName(QStringLiteral("escape"));
        escape_->setContext(Qt::WindowShortcut);
        QObject::connect(escape_, &QShortcut::activated, escape_,
                         [this] { desktop_->runCommand(onEscape_, form_); });
    }
    escape_->setEnabled(static_cast<bool>(onEscape_));
}

void QtWindow::setLabelFor(const std::string& labelName, const std::string& fieldName) {
    auto* label = canvas_->findChild<QLabel*>(toQString(labelName), Qt::FindDirectChildrenOnly);
    auto* edit = canvas_->findChild<QLineEdit*>(toQString(fieldName), Qt::FindDirectChildrenOnly);
    if (!label || !edit) return;
    label->setBuddy(edit);
    edit->setAccessibleName(label->text());
}

void QtWindow::setDescription(const std::string& name, const std::string& description) {
    canvas_->setAccessibleName(toQString(name));
    canvas_->setAccessibleDescription(toQString(description));
}

void QtWindow::frameClosed() {
    hide();
    desktop_->runCommand(onFrameClose_);
}

// Drawing. Everything goes into the image; the canvas is repainted by flush().

void QtWindow::PSet(double x, double y) {
    // Multiplying by the reciprocal keeps the divider free for the orbit's
    // own arithmetic; it can differ from the division only on an exact
    // half-pixel boundary.
    if (grid_.set(x, y)) dirty_ = true;
}

void QtWindow::PSetPoints(const double* xy, std::size_t count) {
    // PSet's rounding and bounds, without a call per point.
    const PixelGrid grid = grid_;
    bool drawn = false;
    for (std::size_t i = 0; i < count; ++i) {
        if (grid.set(xy[2 * i], xy[2 * i + 1])) drawn = true;
    }
    if (drawn) dirty_ = true;
}

const PixelGrid* QtWindow::pixelGrid() { return &grid_; }

void QtWindow::pixelsSet() { dirty_ = true; }

QPainter& QtWindow::painter() {
    if (!painter_) {
        painter_ = std::make_unique<QPainter>(&image_);
        painter_->setRenderHint(QPainter::Antialiasing, false);
        QPen pen(Qt::black);
        pen.setWidth(1);
        pen.setCosmetic(true);
        pen.setCapStyle(Qt::SquareCap);  // both end points are drawn
        painter_->setPen(pen);
    }
    return *painter_;
}

void QtWindow::Line(double x1, double y1, double x2, double y2) {
    if (!finite(x1, y1, x2, y2)) return;
    long double ax = x1 / tpp_, ay = y1 / tpp_, bx = x2 / tpp_, by = y2 / tpp_;
    const auto inside = [](long double v) { return v > -kLineLimit && v < kLineLimit; };
    if (!(inside(ax) && inside(ay) && inside(bx) && inside(by))) {
        // Far-out ends are moved along the line to a box so large that the
        // rounding of the new end cannot move any pixel on the image.
        if (!clipSegment(ax, ay, bx, by, -kLineLimit + 1, kLineLimit - 1)) return;
    }
    painter().drawLine(QPoint(roundPixel(ax), roundPixel(ay)),
                       QPoint(roundPixel(bx), roundPixel(by)));
    dirty_ = true;
}

void QtWindow::Box(double x1, double y1, double x2, double y2, bool filled) {
    if (!finite(x1, y1, x2, y2)) return;
    // Edges beyond the image are pulled in to just outside it: what shows on
    // the image stays the same.
    const auto clampX = [this](double t) {
        return std::clamp(desktop_->toSurfacePixel(t), -1, static_cast<int>(imageWidth_));
    };
    const auto clampY = [this](double t) {
        return std::clamp(desktop_->toSurfacePixel(t), -1, static_cast<int>(imageHeight_));
    };
    const int ax = clampX(x1), bx = clampX(x2), ay = clampY(y1), by = clampY(y2);
    const QRect box(QPoint(std::min(ax, bx), std::min(ay, by)),
                    QPoint(std::max(ax, bx), std::max(ay, by)));
    if (filled) {
        painter().fillRect(box, Qt::black);
    } else {
        QPainter& p = painter();
        p.drawLine(box.topLeft(), box.topRight());
        p.drawLine(box.bottomLeft(), box.bottomRight());
        p.drawLine(box.topLeft(), box.bottomLeft());
        p.drawLine(box.topRight(), box.bottomRight());
    }
    dirty_ = true;
}

void QtWindow::Cls() {
    std::fill(bits_, bits_ + stride_ * image_.height(), kWhite);
    currentX_ = 0;
    currentY_ = 0;
    dirty_ = true;
}

void QtWindow::Print(const std::string& text) {
    const QFontMetricsF metrics(font_, &image_);
    if (std::isfinite(currentX_) && std::isfinite(currentY_)) {
        QPainter& p = painter();
        p.setFont(font_);
        const double x = desktop_->toSurfacePixel(currentX_);
        double y = desktop_->toSurfacePixel(currentY_);
        for (const QString& line : textLines(text)) {
            if (y > -metrics.height() && y < imageHeight_ && x < imageWidth_) {
                p.drawText(QPointF(x, y + metrics.ascent()), line);
            }
            y += metrics.height();
        }
        dirty_ = true;
    }
    currentX_ = 0;
    currentY_ += TextHeight(text);
}

double QtWindow::TextWidth(const std::string& text) const {
    const QFontMetricsF metrics(font_, &image_);
    double widest = 0;
    for (const QString& line : textLines(text)) {
        widest = std::max(widest, metrics.horizontalAdvance(line));
    }
    return widest * tpp_;
}

double QtWindow::TextHeight(const std::string& text) const {
    const QFontMetricsF metrics(font_, &image_);
    return metrics.height() * static_cast<double>(textLines(text).size()) * tpp_;
}

void QtWindow::flush() {
    if (!dirty_) return;
    dirty_ = false;
    if (canvas_) canvas_->update();
}

QImage QtWindow::surfaceImage() const {
    const QSize size = surfaceSize(canvasPixels()).expandedTo(QSize(1, 1));
    QImage surface = blankImage(size);
    QPainter p(&surface);
    p.drawImage(QPoint(0, 0), image_, QRect(QPoint(0, 0), size) & image_.rect());
    return surface;
}

QImage QtWindow::pageImage() const {
    const QSize size = surfaceSize(canvasPixels()).expandedTo(QSize(1, 1));
    QImage page(size, QImage::Format_RGB32);
    page.fill(kWhite);
    page.setDotsPerMeterX(image_.dotsPerMeterX());
    page.setDotsPerMeterY(image_.dotsPerMeterY());
    QPainter p(&page);
    p.drawImage(QPoint(0, 0), image_, QRect(QPoint(0, 0), size) & image_.rect());
    // The controls sit in logical pixels.
    p.scale(desktop_->pixelRatio(), desktop_->pixelRatio());
    for (QWidget* child : canvas_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isHidden()) continue;
        child->render(&p, child->pos(), QRegion(),
                      QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
    return page;
}

}  // namespace corvane::platform
