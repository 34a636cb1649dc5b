// Windows of the Qt desktop. Internal to the Qt platform (and its tests).
#pragma once

#include <QFont>
#include <QImage>
#include <QMainWindow>
#include <QMargins>
#include <QPointer>
#include <QSize>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

class QLineEdit;
class QPainter;
class QShortcut;

namespace corvane::platform {

class QtWindow;

// State shared by the platform and all its windows.
class QtDesktop {
public:
    QtDesktop();

    // Twips per logical pixel, the unit of window geometry and controls.
    double twipsPerPixel() const { return tpp_; }
    // Device pixels per logical pixel of the primary screen (1, or 2 on a
    // high-density screen), and twips per pixel of the drawing surfaces.
    double pixelRatio() const { return ratio_; }
    double surfaceTwipsPerPixel() const { return surfaceTpp_; }
    QSize screenPixels() const { return screen_; }
    // The largest width and the largest height of the screens.
    QSize largestScreenPixels() const { return largest_; }
    double screenDpi() const { return dpi_; }
    // False on the offscreen and minimal platforms, which have no desktop to
    // stack windows on (nor frames drawn by a window manager).
    bool windowsStack() const { return stacking_; }

    // Twips to pixels: floor(twips / twipsPerPixel + 0.5), i.e. to the
    // nearest pixel with halves going right/down. Clamped to +-2^24 so the
    // result is always usable as a widget coordinate; NaN gives 0.
    int toPixel(double twips) const;
    // The same for the pixels of a drawing surface.
    int toSurfacePixel(double twips) const;
    static int roundToPixel(double pixels);

    // Runs a command (menu handler, frame-close handler, key handler) of the
    // window `owner` (none for a window that is gone). Commands never
    // overlap: a trigger that arrives while one runs (from a nested event
    // loop) is ignored, as is everything after endProgram().
    void runCommand(const std::function<void()>& command, QWidget* owner = nullptr);
    bool commandRunning() const { return commandRunning_; }
    // A window shown during a command: the command's dialogs belong to it
    // from then on (it is in front now).
    void shownDuringCommand(QWidget* window);
    // The window a dialog opened now belongs to (centred over it, kept above
    // it): the running command's window, the one that command showed last,
    // or else the active window. Null when there is none on screen.
    QWidget* dialogOwner() const;

    // Repaints the windows drawn on since the last flush.
    void flush();

    // Frame decorations (title bar, borders) of a top-level window. Learned
    // from windows that have been on screen; estimated before that.
    QMargins frameMargins() const { return frame_; }
    void learnFrameMargins(const QMargins& margins) { frame_ = margins; }

    bool ending() const { return ending_; }

    void endProgram();

    void add(QtWindow* window) { windows_.push_back(window); }
    void remove(QtWindow* window);

private:
    double dpi_ = 96;
    double tpp_ = 15;
    double ratio_ = 1;
    double surfaceTpp_ = 15;
    QSize screen_;
    QSize largest_;
    QMargins frame_;
    bool stacking_ = true;
    bool commandRunning_ = false;
    QPointer<QWidget> commandWindow_;
    bool ending_ = false;
    std::vector<QtWindow*> windows_;
};

// The drawing area: shows the window's backing image and nothing else.
class QtCanvas : public QWidget {
public:
    explicit QtCanvas(QWidget* parent);
    // `ratio`: image pixels per logical pixel of the widget.
    void setImage(const QImage* image, double ratio = 1) {
        image_ = image;
        ratio_ = ratio;
    }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QImage* image_ = nullptr;
    double ratio_ = 1;
};

// The top-level widget: menu bar plus canvas. Closing through the frame
// hides it and reports to the owner; it is never destroyed by closing.
class QtForm : public QMainWindow {
public:
    QtForm();
    std::function<bool()> onCloseRequest;  // false: refuse (a command runs)
    std::function<void()> onFrameClosed;
    std::function<void()> onFrameChanged;

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

class QtWindow : public Window {
public:
    QtWindow(std::shared_ptr<QtDesktop> desktop, const std::string& name);
    ~QtWindow() override;

    float Top() const override;
    float Left() const override;
    float Width() const override;
    float Height() const override;
    void setTop(float twips) override;
    void setLeft(float twips) override;
    void setWidth(float twips) override;
    void setHeight(float twips) override;
    double ScaleWidth() const override;
    double ScaleHeight() const override;
    double twipsPerPixel() const override { return tpp_; }

    std::string title() const override;
    void setTitle(const std::string& title) override;
    void show() override;
    void hide() override;
    bool isVisible() const override;

    void setFont(const Font& font) override;
    void setMenu(MenuBar menu) override;
    void addLabel(const std::string& name, const std::string& caption, const ControlBox& box,
                  const Font& font) override;
    TextField& addTextField(const std::string& name, const ControlBox& box,
                            const Font& font) override;
    void setOnFrameClose(std::function<void()> handler) override;
    void setOnEscape(std::function<void()> handler) override;
    void setLabelFor(const std::string& labelName, const std::string& fieldName) override;
    void setDescription(const std::string& name, const std::string& description) override;

    void PSet(double x, double y) override;
    void PSetPoints(const double* xy, std::size_t count) override;
    const PixelGrid* pixelGrid() override;
    void pixelsSet() override;
    void Line(double x1, double y1, double x2, double y2) override;
    void Box(double x1, double y1, double x2, double y2, bool filled) override;
    void Cls() override;

    double CurrentX() const override { return currentX_; }
    double CurrentY() const override { return currentY_; }
    void setCurrentX(double x) override { currentX_ = x; }
    void setCurrentY(double y) override { currentY_ = y; }
    void Print(const std::string& text) override;
    double TextWidth(const std::string& text) const override;
    double TextHeight(const std::string& text) const override;

    // What a printed page shows: the client area as the user sees it, the
    // drawing with the controls on top, in the surface's pixels.
    QImage pageImage() const;
    // The drawing surface as the window shows it now: the part of the
    // backing image under the client area, without the controls, its
    // resolution set to the surface's dots per inch.
    QImage surfaceImage() const;
    // Client area below the menu bar, in pixels.
    QSize canvasPixels() const;

    // Repaints the canvas if anything was drawn since the last call.
    void flush();

    // For tests and the platform.
    QtForm* form() const { return form_; }
    QtDesktop& desktop() const { return *desktop_; }
    QtCanvas* canvas() const { return canvas_; }
    const QImage& image() const { return image_; }

private:
    enum class Edge { Left, Top, Width, Height };
    QMargins currentFrameMargins() const;
    int menuBarHeight(int clientWidth) const;
    void adoptActualGeometry() const;
    void applyGeometry(Edge changed);
    void setEdge(Edge edge, float twips);
    float edge(Edge edge) const;
    QRect boxPixels(const ControlBox& box) const;
    QSize surfaceSize(QSize logical) const;
    QImage blankImage(QSize size) const;
    void adoptImage(QImage image);
    void coverCanvas();
    QPainter& painter();
    void frameClosed();

    std::shared_ptr<QtDesktop> desktop_;
    const double tpp_;
    const double pixelsPerTwip_;  // PSet multiplies: no division per point
    QPointer<QtForm> form_;
    QtCanvas* canvas_ = nullptr;

    // The backing store, drawn into directly: as large as the largest screen,
    // or the window when that is larger.
    QImage image_;
    std::uint32_t* bits_ = nullptr;
    std::ptrdiff_t stride_ = 0;  // in pixels
    double imageWidth_ = 0;
    double imageHeight_ = 0;
    PixelGrid grid_;  // the same image, for PSet and the drawing loops
    bool dirty_ = false;
    std::unique_ptr<QPainter> painter_;

    QFont font_;
    double currentX_ = 0;
    double currentY_ = 0;

    // Outer frame as last set (or as found on screen), in twips.
    mutable float left_ = 0;
    mutable float top_ = 0;
    mutable float width_ = 0;
    mutable float height_ = 0;

    std::function<void()> onFrameClose_;
    std::function<void()> onEscape_;
    QShortcut* escape_ = nullptr;
    std::vector<std::unique_ptr<TextField>> fields_;
    QWidget* lastField_ = nullptr;
};

// Qt's version of a platform font: the named family when installed, the
// desktop's sans-serif otherwise; an empty name is the desktop's font.
QFont toQFont(const Font& font);

}  // namespace corvane::platform
