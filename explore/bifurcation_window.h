// The bifurcation explorer: the orbit diagram of a map over a range of a,
// with the Lyapunov exponent on the same a-axis, computed on every core and
// zoomed by dragging, with undo. A window of its own next to the program's
// four; it talks to them only through the "Use this a" callback.
#pragma once

#include <QImage>
#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/tools/explorer_model.h"
#include "explore/bifurcation_compute.h"
#include "explore/bifurcation_engine.h"
#include "explore/bifurcation_view.h"
#include "explore/custom_map_dialog.h"
#include "explore/explore_export.h"
#include "explore/recent_formulas.h"
#include "explore/tool_menus.h"
#include "gui/picture.h"
#include "platform/platform.h"

class QAction;
class QActionGroup;
class QLabel;
class QLineEdit;
class QTimer;

namespace corvane::explore {

class BifurcationView;
class DensityPane;

class BifurcationWindow : public QMainWindow {
public:
    // threads = 0: every core.
    explicit BifurcationWindow(const Map& map, QWidget* parent = nullptr, int threads = 0);
    ~BifurcationWindow() override;

    // Receives the a of "Use this a".
    void setUseA(std::function<void(double)> useA) { useA_ = std::move(useA); }

    // "Bifurcation diagram: " and the map's formula.
    static QString titleFor(const Map& map);
    // File → Open session…, Save session…, Open recent: the wiring's.
    void setSessionCommands(std::shared_ptr<const SessionCommands> commands) {
        sessions_ = std::move(commands);
    }

    // The view shown (or being computed).
    const View& view() const { return model_.view(); }
    // The model behind it (its views, history and cursor), and another one
    // taken whole (a session opened): the view it shows is computed.
    const tools::ExplorerModel& model() const { return model_; }
    void restoreModel(const tools::ExplorerModel& model);
    // The λ strip's range from its fields (none: automatic), and another one
    // shown in them and in the strip.
    std::optional<std::pair<double, double>> lambdaRange() const;
    void setLambdaRange(std::optional<std::pair<double, double>> range);
    // Shows another view after checking it; false (with a message in the
    // status bar) when it is refused, the view then stays.
    bool showView(const View& view);
    void selectMap(const Map& map);
    // Map → Custom...: asks for a formula and its view, then shows it.
    void chooseCustomMap();
    // Shows a map of the user's own from its start view.
    bool showCustomMap(const Map& map);
    // The formulas offered in the dialog; the wiring shares one list
    // between the windows.
    void setRecentFormulas(std::shared_ptr<RecentFormulas> recent) { recent_ = std::move(recent); }
    RecentFormulas& recentFormulas() const { return *recent_; }
    // How "Custom..." asks (by default the dialog; tests put their own).
    void setCustomMapAsker(CustomMapAsker asker) { askCustom_ = std::move(asker); }
    // "derivative: symbolic" or "derivative: difference, …" for a map
    // of the user's own; empty for the built-in maps.
    QString derivativeText() const;
    void undo();
    void redo();
    void home();
    bool canUndo() const { return model_.canUndo(); }
    bool canRedo() const { return model_.canRedo(); }
    // Takes the values of the fields; false when one of them is refused
    // (its refusal then shows under it, and the view stays).
    bool applyFields();
    // The refusal shown under the field of that object name; empty when none.
    QString fieldRefusal(const char* name) const;
    // Sets the a-cursor to a pixel column's a.
    void setCursorColumn(int column);
    std::optional<double> cursorA() const;
    // Writes the cursor's a through the callback.
    void useCursorA();
    // The a-cursor moved from outside (the cobweb's a): nothing is called
    // back.
    void setCursorA(double a);
    // Called when the user moves the a-cursor.
    std::function<void(double a)> onCursorMoved;
    // Receives "Cobweb at this a": the map shown and the cursor's a.
    void setOpenCobweb(std::function<void(const Map& map, double a)> open) {
        openCobweb_ = std::move(open);
    }
    void cobwebAtCursor();
    // Receives "Feigenbaum constants": the map shown.
    void setOpenFeigenbaum(std::function<void(const Map& map)> open) {
        openFeigenbaum_ = std::move(open);
    }
    // Zooms to [aMin, aMax] of `map` (x across its x-range) as a new view,
    // which Undo leaves, and marks the given values of a on the a-axis;
    // false when the view is refused.
    bool showRange(const Map& map, double aMin, double aMax, std::vector<AMark> marks);

    bool isComputing() const;
    // The generation of the computation last drawn.
    std::uint64_t drawnGeneration() const { return drawnGeneration_; }
    // Called with the generation of every picture drawn (tests watch it).
    std::function<void(std::uint64_t generation)> onDrawn;

    BifurcationView& plot() const { return *view_; }
    // The picture drawn last, as in the window: grey diagram and per-column λ.
    QImage diagramImage() const;
    const ColumnData* data() const { return snapshot_.data.get(); }
    int columnsDone() const { return snapshot_.columnsDone; }
    QString statusMessage() const;

    // Steps through the computation now instead of on the timer (for tests).
    void pollNow() { poll(); }

    // File menu: each asks where to save, then writes; false when nothing
    // was written (cancelled, refused or failed; the status bar says why).
    bool exportPicturePng();
    bool exportPicturePdf();
    bool exportPictureSvg();
    // Writes the picture to `path` as asked, drawn for the file: the
    // diagram computed again at one column per pixel of it. False (the
    // status bar says why) while the picture is incomplete or on failure.
    bool writePictureFile(const std::string& path, gui::PictureFormat format,
                          const gui::PictureOptions& options);
    // Asks for the size and caption after the file is chosen (tests answer
    // without a dialog).
    void setPictureOptionsAsker(gui::PictureOptionsAsker ask) { askOptions_ = std::move(ask); }
    // View → Large text and lines: one setting the wiring shares between
    // the tool windows.
    void setLargeText(std::shared_ptr<gui::LargeTextSetting> setting);
    bool exportLyapunovCsv();
    bool exportKeptValuesCsv();
    // The plot as exported: device pixels, at the screen's size.
    QImage picture() const;
    bool exportDensityCsv();
    // The density at the cursor as a PNG of the chosen size, or a message
    // when none is shown.
    bool exportDensityPicture();
    // The side pane "Density at the cursor".
    DensityPane& densityPane() const { return *density_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The density shown, or null with the reason in the status bar.
    const density::Histogram* densityToExport();
    // The picture options dialog, its last answer kept.
    std::optional<gui::PictureOptions> askPictureOptions();
    void buildMenus();
    void buildFields();
    void startComputation();
    void poll();
    void showFields(const View& view);
    void say(const QString& message);
    void hovered(double a, std::optional<double> x, int column);
    void wheel(double a, std::optional<double> x, double factor);
    void zoomRect(double a1, double a2, double x1, double x2);
    void updateActions();
    QString describeColumn(int column) const;

    bool pictureComplete();
    bool exportPicture(gui::PictureFormat format);
    void largeTextChanged();
    bool finishExport(const platform::ExportOutcome& outcome, const std::string& path);
    void buildDensityPane();
    void updateDensity();

    std::function<void(double)> useA_;
    std::function<void(const Map&, double)> openCobweb_;
    std::function<void(const Map&)> openFeigenbaum_;
    std::optional<Map> marksMap_;  // the map the a-axis marks belong to
    std::shared_ptr<RecentFormulas> recent_ = std::make_shared<RecentFormulas>();
    CustomMapAsker askCustom_ = askCustomMap;
    QLabel* derivative_ = nullptr;
    void mapShown();
    BifurcationEngine engine_;
    tools::ExplorerModel model_;
    // Shows the model's view after a change, or says why it was refused.
    bool shown(const std::string& refusal, bool mapChanged);
    BifurcationView* view_ = nullptr;
    DensityPane* density_ = nullptr;
    QLabel* progress_ = nullptr;
    QTimer* pollTimer_ = nullptr;
    QTimer* resizeTimer_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
    QAction* useAAction_ = nullptr;
    QAction* cobwebAction_ = nullptr;
    QAction* mapActions_[3] = {nullptr, nullptr, nullptr};
    struct Fields {
        QLineEdit* aMin;
        QLineEdit* aMax;
        QLineEdit* xMin;
        QLineEdit* xMax;
        QLineEdit* x0;
        QLineEdit* transient;
        QLineEdit* kept;
        QLineEdit* lambdaMin;
        QLineEdit* lambdaMax;
    } fields_{};

    // The computation being shown.
    std::uint64_t generation_ = 0;
    int columns_ = 0;
    int rows_ = 0;
    BifurcationEngine::Snapshot snapshot_;
    std::uint64_t drawnGeneration_ = 0;
    int shadedColumns_ = 0;
    std::uint32_t shadedDensest_ = 0;
    QImage image_;

    std::shared_ptr<gui::LargeTextSetting> largeText_ = std::make_shared<gui::LargeTextSetting>();
    QAction* largeTextAction_ = nullptr;
    gui::PictureOptionsAsker askOptions_ = gui::askPictureOptions;
    gui::PictureOptions pictureOptions_;
    std::shared_ptr<const SessionCommands> sessions_;
};

}  // namespace corvane::explore
