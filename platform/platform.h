// Interfaces of the desktop on which the windows rest: windows with a
// persistent drawing surface measured in twips, menus declared as tables,
// text fields, message boxes, input dialogs, printing and progress.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::platform {

struct Font {
    std::string name;  // empty: the default window font, "MS Sans Serif" 8 pt
    double size = 0;   // points; 0 with an empty name means 8
    bool bold = false;
};

// One entry of a menu bar. A top-level entry with sub-items raises onClick
// when its menu opens; one without sub-items runs onClick when clicked. An
// entry without caption, onClick and sub-items is a separator.
struct MenuItem {
    std::string name;
    std::string caption;
    std::function<void()> onClick;
    std::vector<MenuItem> items;
};
using MenuBar = std::vector<MenuItem>;

class TextField {
public:
    virtual ~TextField() = default;
    virtual std::string text() const = 0;
    virtual void setText(const std::string& text) = 0;
    // Runs when the user presses Enter (Return or the keypad's Enter) in the
    // field, as a command of the field's window. A desktop without a keyboard
    // may ignore it.
    virtual void setOnEnter(std::function<void()> handler) { (void)handler; }
};

// Placement of a control on a window's client area, in twips.
struct ControlBox {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

// The pixels of a surface kept as an image in memory, for the long drawing
// loops: PSet(x, y) on such a surface does exactly set(x, y).
struct PixelGrid {
    std::uint32_t* bits = nullptr;  // rows of `stride` pixels, top row first
    std::ptrdiff_t stride = 0;
    double width = 0;  // pixels
    double height = 0;
    double pixelsPerTwip = 0;
    std::uint32_t ink = 0;  // the drawing colour as stored

    // A coordinate in twips, before its pixel is taken: the pixel is
    // floor(t / twips per pixel + 0.5), here multiplied by the reciprocal.
    double place(double twips) const { return twips * pixelsPerTwip + 0.5; }
    // Whether a placed coordinate lies on the image; NaN and the infinities
    // do not, and truncation equals floor for the values that do.
    bool acrossInside(double placed) const { return placed >= 0 && placed < width; }
    bool downInside(double placed) const { return placed >= 0 && placed < height; }
    std::uint32_t* pixel(double across, double down) const {
        return bits + static_cast<std::ptrdiff_t>(down) * stride +
               static_cast<std::ptrdiff_t>(across);
    }
    // Sets the pixel of the point (x, y) in twips; false when it is off the image.
    bool set(double x, double y) const {
        const double across = place(x);
        const double down = place(y);
        if (!(acrossInside(across) && downInside(down))) return false;
        *pixel(across, down) = ink;
        return true;
    }
};

// A window with a persistent drawing surface. Coordinates are twips with the
// origin at the top-left corner of the client area, y growing downwards.
// Everything drawn stays on the surface until Cls, also while the window is
// hidden, covered, moved or resized.
class Window {
public:
    virtual ~Window() = default;

    // Outer frame, in twips of the screen (single precision, as set).
    virtual float Top() const = 0;
    virtual float Left() const = 0;
    virtual float Width() const = 0;
    virtual float Height() const = 0;
    virtual void setTop(float twips) = 0;
    virtual void setLeft(float twips) = 0;
    virtual void setWidth(float twips) = 0;
    virtual void setHeight(float twips) = 0;

    // Client drawing area below the menu bar, in twips.
    virtual double ScaleWidth() const = 0;
    virtual double ScaleHeight() const = 0;
    // Twips per pixel of the drawing surface (15 at 96 dots per inch). What
    // is drawn lands on pixels this wide.
    virtual double twipsPerPixel() const { return 15; }

    virtual std::string title() const = 0;
    virtual void setTitle(const std::string& title) = 0;
    virtual void show() = 0;  // modeless, without owner
    virtual void hide() = 0;
    virtual bool isVisible() const = 0;

    virtual void setFont(const Font& font) = 0;
    virtual void setMenu(MenuBar menu) = 0;
    virtual void addLabel(const std::string& name, const std::string& caption,
                          const ControlBox& box, const Font& font) = 0;
    // Text fields take the keyboard focus in the order they are added.
    virtual TextField& addTextField(const std::string& name, const ControlBox& box,
                                    const Font& font) = 0;
    // Runs after the user closed the window through its frame; the window is
    // hidden by then.
    virtual void setOnFrameClose(std::function<void()> handler) = 0;

    // Keyboard and assistive technology; a desktop without them may ignore
    // these. Escape pressed in the window runs the handler as a command of
    // the window.
    virtual void setOnEscape(std::function<void()> handler) { (void)handler; }
    // The label names the field: a screen reader announces the field by the
    // label's caption, and the label's mnemonic, if any, focuses it.
    virtual void setLabelFor(const std::string& labelName, const std::string& fieldName) {
        (void)labelName, (void)fieldName;
    }
    // What the drawing surface is (`name`) and what it shows now
    // (`description`), in words, for screen readers.
    virtual void setDescription(const std::string& name, const std::string& description) {
        (void)name, (void)description;
    }

    // Drawing, in the drawing colour (black), one pixel wide.
    virtual void PSet(double x, double y) = 0;
    // The same as PSet for each of `count` points given as x, y pairs, in
    // order; a surface may do it without a call per point.
    virtual void PSetPoints(const double* xy, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) PSet(xy[2 * i], xy[2 * i + 1]);
    }
    // The image behind the surface when it is one in memory, for a loop that
    // sets many pixels itself; null for a surface that must see every point
    // through PSet. The grid stays valid until the loop next calls out of
    // itself (a poll, a message); after setting pixels the loop calls
    // pixelsSet before that, so the window shows them.
    virtual const PixelGrid* pixelGrid() { return nullptr; }
    virtual void pixelsSet() {}
    virtual void Line(double x1, double y1, double x2, double y2) = 0;
    virtual void Box(double x1, double y1, double x2, double y2, bool filled) = 0;
    virtual void Cls() = 0;  // erase to white; text position back to 0, 0

    virtual double CurrentX() const = 0;
    virtual double CurrentY() const = 0;
    virtual void setCurrentX(double x) = 0;
    virtual void setCurrentY(double y) = 0;
    // Prints at (CurrentX, CurrentY), the text's top-left corner, then moves
    // to the start of the next line.
    virtual void Print(const std::string& text) = 0;
    virtual double TextWidth(const std::string& text) const = 0;
    virtual double TextHeight(const std::string& text) const = 0;
};

enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No };

// A long command asks this now and then whether the user wants it to stop.
class Progress {
public:
    virtual ~Progress() = default;
    // `done` of `total` steps are finished; true when the user cancelled.
    virtual bool poll(std::int64_t done) = 0;
};

// Error numbers of a failed print.
inline constexpr int kPrintOk = 0;
inline constexpr int kPrintDeviceUnavailable = 68;
inline constexpr int kPrintDeviceIoError = 57;
// Not an error: the user stopped the print, and no job of it is left.
inline constexpr int kPrintCancelled = 32755;

// Exporting pictures and data to files.
enum class ExportFormat { Png, Pdf, Csv };

struct ExportTarget {
    std::string path;
    ExportFormat format = ExportFormat::Png;
};

// How an export ended: written, abandoned (nothing written, no message), or
// failed with a message naming the file and the reason
// ("Cannot write /path/x.csv: No space left on device").
struct ExportOutcome {
    enum class Status { Written, Abandoned, Failed };
    Status status = Status::Written;
    std::string message;
};

// Receives the text of a data file as it is produced.
class TextSink {
public:
    virtual ~TextSink() = default;
    virtual void write(std::string_view text) = 0;
};

class Platform {
public:
    virtual ~Platform() = default;

    // `name` identifies the window (Form1 ...); it is created hidden.
    virtual std::unique_ptr<Window> createWindow(const std::string& name) = 0;

    virtual double screenWidth() const = 0;   // twips
    virtual double screenHeight() const = 0;  // twips

    // Modal; no icon; the title bar reads the program's name. A carriage
    // return (character 13) in the text breaks the line.
    virtual Answer MsgBox(const std::string& text, Buttons buttons) = 0;
    // Modal single-line entry with an empty default; Cancel or closing
    // gives the empty text.
    virtual std::string InputBox(const std::string& prompt, const std::string& title) = 0;

    // Prints the window's client area (drawing and controls) as one page on
    // the default printer. Returns kPrintOk or the error number. A print
    // that takes long shows the progress dialog; its Cancel gives
    // kPrintCancelled.
    virtual int printWindow(Window& window) = 0;

    // A command that may run long; a dialog with Cancel appears if it does.
    virtual std::unique_ptr<Progress> beginProgress(const std::string& caption,
                                                    std::int64_t total) = 0;

    // Ends the program at once with status 0.
    virtual void endProgram() = 0;

    // A save dialog over `owner` for a picture (PNG or PDF, by the chosen
    // type or the name's extension) or a data file (CSV), suggesting
    // `defaultName` in the folder used last; empty when the user cancels.
    virtual std::optional<ExportTarget> askExportTarget(Window& owner,
                                                        const std::string& defaultName,
                                                        bool picture) = 0;
    // Writes what the window's drawing surface shows now: PNG pixel for
    // pixel, or a one-page PDF of the same picture at its physical size,
    // titled with the window's title. The file appears whole or not at all.
    virtual ExportOutcome exportPicture(Window& window, const ExportTarget& target) = 0;
    // Writes a data file from what `produce` hands its sink; `produce`
    // returns false to abandon it. The file appears whole or not at all, and
    // an existing file of that name stays as it was unless it is replaced
    // by the whole new one.
    virtual ExportOutcome exportData(const std::string& path,
                                     const std::function<bool(TextSink&)>& produce) = 0;
};

}  // namespace corvane::platform
