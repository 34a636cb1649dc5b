// The desktop Corvane runs on: Qt widgets for the windows, menus and dialogs,
// libcups for printing. A QApplication must exist before a QtPlatform is made
// and outlive it.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/platform.h"

class QWidget;

namespace corvane::platform {

class QtDesktop;

class QtPlatform : public Platform {
public:
    QtPlatform();
    ~QtPlatform() override;
    QtPlatform(const QtPlatform&) = delete;
    QtPlatform& operator=(const QtPlatform&) = delete;

    std::unique_ptr<Window> createWindow(const std::string& name) override;
    double screenWidth() const override;
    double screenHeight() const override;
    Answer MsgBox(const std::string& text, Buttons buttons) override;
    std::string InputBox(const std::string& prompt, const std::string& title) override;
    int printWindow(Window& window) override;
    std::unique_ptr<Progress> beginProgress(const std::string& caption,
                                            std::int64_t total) override;
    void endProgram() override;
    std::optional<ExportTarget> askExportTarget(Window& owner, const std::string& defaultName,
                                                bool picture) override;
    ExportOutcome exportPicture(Window& window, const ExportTarget& target) override;
    ExportOutcome exportData(const std::string& path,
                             const std::function<bool(TextSink&)>& produce) override;

    // Twips per screen pixel: 1440 over the primary screen's logical DPI.
    double twipsPerPixel() const;
    // Twips per pixel of the drawing surfaces: twipsPerPixel() divided by the
    // screen's device pixel ratio.
    double surfaceTwipsPerPixel() const;
    // Repaints the windows whose drawing changed since the last repaint.
    // Happens by itself after each menu command and before dialogs; code
    // that draws outside a command (start-up) calls it when done.
    void flushDrawing();
    // True once endProgram() has been called: the event loop must not run
    // (again), and the process should exit with status 0.
    bool endRequested() const;
    // How long printing waits on a print server that keeps silent before it
    // gives up (device unavailable); 10 s unless a test shortens it.
    // The window a dialog shown now belongs to: that of the running command
    // (or the one it showed last), else the active window; may be null.
    QWidget* dialogOwner() const;
    void setPrintServerSilence(std::chrono::milliseconds silence) { printServerSilence_ = silence; }

private:
    std::shared_ptr<QtDesktop> desktop_;
    std::chrono::milliseconds printServerSilence_;
};

}  // namespace corvane::platform
