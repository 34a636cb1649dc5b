// The parameter plane: the Lyapunov exponent (or the period, or the
// winding number) over a plane of two parameters, for a map driven by a
// forcing sequence of A and B or for a map of two parameters. A new view
// shows a preview at an eighth of the size at once, then the whole; a newer
// view cancels an older one. A click sets the cursor, from which "Cobweb
// here" and "Explorer here" open the other tool windows on the map of one
// pass at that point, their a linked to the cursor's first parameter.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

#include "core/tools/plane_model.h"
#include "explore/custom_map_dialog.h"
#include "explore/job_runner.h"
#include "explore/plane_compute.h"
#include "explore/recent_formulas.h"
#include "explore/tool_menus.h"
#include "gui/picture.h"
#include "platform/platform.h"

class QAction;
class QLabel;
class QTimer;

namespace corvane::explore {

class PlaneView;

class PlaneWindow : public QMainWindow {
public:
    explicit PlaneWindow(const plane::PlaneMap& map = {}, QWidget* parent = nullptr);
    ~PlaneWindow() override;

    const tools::PlaneModel& model() const { return model_; }
    const tools::PlaneView& view() const { return model_.view(); }
    bool showView(const tools::PlaneView& view);
    // Takes a model whole (a session's): views, history, cursor, colouring.
    void restoreModel(const tools::PlaneModel& model);
    // Another map or sequence (the same map's view kept for a new sequence).
    bool selectMap(const plane::PlaneMap& map);
    void undo();
    void redo();
    void home();
    void setCursorPoint(double p, double q);
    void setColouring(tools::PlaneColouring colouring);

    // The pixels last drawn, the generation they belong to, and whether
    // they are the whole plane (not the preview).
    std::shared_ptr<const PlanePixels> pixels() const { return shown_; }
    bool isComputing() const;
    bool isComplete() const { return complete_; }
    // A file's picture is computed again for its own pixels when that takes
    // at most this long at the speed the window saw; else it is drawn from
    // the window's pixels, enlarged.
    static constexpr double kMostExportSeconds = 10;

    // Blocks until the newest computation has been drawn (for tests).
    void waitForPicture();

    // The map of one pass at the cursor (nullopt without one), as "Cobweb
    // here" and "Explorer here" open it, and the one they opened last.
    std::optional<Map> passMapAtCursor() const;
    const std::optional<Map>& linkedMap() const { return linked_; }
    // The linked cobweb or explorer moved a: the cursor follows.
    void linkedAMoved(double a);

    void setOpenCobweb(std::function<void(const Map& map, double a)> open) {
        openCobweb_ = std::move(open);
    }
    void setOpenExplorer(std::function<void(const Map& map, double aMin, double aMax, double a)> open) {
        openExplorer_ = std::move(open);
    }
    void cobwebHere();
    void explorerHere();

    void setRecentFormulas(std::shared_ptr<RecentFormulas> recent) { recent_ = std::move(recent); }
    // File → Open session…, Save session…, Open recent: the wiring's.
    void setSessionCommands(std::shared_ptr<const SessionCommands> commands) {
        sessions_ = std::move(commands);
    }
    void setCustomMapAsker(CustomMapAsker asker) { askCustom_ = std::move(asker); }
    void setLargeText(std::shared_ptr<gui::LargeTextSetting> setting);
    void setPictureOptionsAsker(gui::PictureOptionsAsker asker) { askOptions_ = std::move(asker); }

    // Asks for the map's formula, the sequence, or a formula in x, a and b.
    void chooseCustomMap();
    void chooseSequence();
    void chooseTwoParameterFormula();
    void chooseSteps();

    platform::ExportOutcome writePicture(const std::string& path, gui::PictureFormat format,
                                         const gui::PictureOptions& options) const;
    platform::ExportOutcome writeData(const std::string& path) const;

    QString statusMessage() const;
    static QString titleFor(const plane::PlaneMap& map);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Frame {
        std::shared_ptr<const PlanePixels> pixels;
        std::shared_ptr<const plane::PlaneCode> code;
        tools::PlaneView view;
        bool whole = false;
        double seconds = 0;
    };
    void compute();
    void poll();
    void refresh();
    void hover(std::optional<std::pair<double, double>> at);
    void say(const QString& message);
    bool exportPictureAs(const std::optional<std::string>& path, gui::PictureFormat format);
    // Says how an export ended; true when the file was written.
    bool finishExport(const platform::ExportOutcome& outcome, const std::string& path);
    void exportData();
    void largeTextChanged();

    tools::PlaneModel model_;
    PlaneView* view_ = nullptr;
    QLabel* progress_ = nullptr;
    QTimer* poll_ = nullptr;
    QTimer* resized_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
    QAction* largeTextAction_ = nullptr;
    QAction* colourActions_[3] = {};
    QAction* modeActions_[3] = {};        // forcing, sine-circle, formula in x, a and b
    QAction* forcedMapActions_[3] = {};   // f1, f2, Custom… (mapActionIndex)
    QAction* sequenceAction_ = nullptr;
    JobRunner<Frame> runner_;
    std::uint64_t asked_ = 0;
    std::shared_ptr<const plane::PlaneCode> code_;
    std::shared_ptr<const PlanePixels> shown_;
    bool complete_ = false;
    double stepsPerSecond_ = 0;  // as the last whole plane was computed
    std::optional<Map> linked_;
    std::function<void(const Map&, double)> openCobweb_;
    std::function<void(const Map&, double, double, double)> openExplorer_;
    std::shared_ptr<RecentFormulas> recent_ = std::make_shared<RecentFormulas>();
    std::shared_ptr<const SessionCommands> sessions_;
    CustomMapAsker askCustom_ = &askCustomMap;
    std::shared_ptr<gui::LargeTextSetting> largeText_ = std::make_shared<gui::LargeTextSetting>();
    gui::PictureOptionsAsker askOptions_ = &gui::askPictureOptions;
    gui::PictureOptions pictureOptions_;
};

}  // namespace corvane::explore
