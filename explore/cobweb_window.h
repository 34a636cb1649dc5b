// The cobweb diagram: the staircase of an orbit of f^k between the graph of
// f^k and the diagonal, redrawn as the sliders move, with the points of
// period k and their stability, the orbit's values, and stepping and
// playing. The graph and its points of period k are computed off the
// user-interface thread through a job runner (explore/job_runner.h), and so
// is a formula's orbit; the picture keeps the last graph finished until the
// newest one is, and never shows one the sliders have left. A built-in
// map's orbit (at most 64 × 10^4 cheap steps) is computed at once. A window
// of its own; its a is shared with the explorer's a-cursor only through the
// callbacks the program's wiring connects.
#pragma once

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/numeric/cobweb.h"
#include "core/tools/cobweb_model.h"
#include "core/tools/field_check.h"
#include "explore/custom_map_dialog.h"
#include "explore/job_runner.h"
#include "explore/recent_formulas.h"
#include "explore/tool_menus.h"
#include "gui/picture.h"
#include "platform/platform.h"

class QAction;
class QLabel;
class QElapsedTimer;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QTableView;
class QTimer;

namespace corvane::explore {

class CobwebView;
class OrbitModel;
class PeriodicPointsModel;

class CobwebWindow : public QMainWindow {
public:
    // map: 1 or 2 (anything else is 1).
    explicit CobwebWindow(const Map& map, QWidget* parent = nullptr);
    ~CobwebWindow() override;

    static QString titleFor(const Map& map);
    // File → Open session…, Save session…, Open recent: the wiring's.
    void setSessionCommands(std::shared_ptr<const SessionCommands> commands) {
        sessions_ = std::move(commands);
    }

    // The ranges of the controls: a in the map's parameter range (for the
    // built-in maps [0, kMostA]).
    static constexpr double kMostA = tools::kMostBuiltInA;
    static constexpr int kMostSpeed = 500;  // steps a second

    const Map& map() const { return model_.map(); }
    // Shows another map (a formula as showCustomMap does).
    void selectMap(const Map& map);
    // Map → Custom...: asks for a formula, then shows its cobweb.
    void chooseCustomMap();
    // Shows the cobweb of a map of the user's own (at its x0; a stays where
    // its range allows, the formula's a-range now part of it).
    void showCustomMap(const Map& map);
    void setRecentFormulas(std::shared_ptr<RecentFormulas> recent) { recent_ = std::move(recent); }
    void setCustomMapAsker(CustomMapAsker asker) { askCustom_ = std::move(asker); }
    // "derivative: symbolic" or "derivative: difference, …" for a map
    // of the user's own; empty for the built-in maps.
    QString derivativeText() const;

    double a() const { return model_.a(); }
    double aLow() const { return model_.aRange().from; }
    double aHigh() const { return model_.aRange().to; }
    const cobweb::Span& span() const { return model_.span(); }
    double x0() const { return model_.x0(); }
    int fold() const { return model_.fold(); }             // k
    std::int64_t steps() const { return model_.steps(); }  // n
    int speed() const;                             // steps a second when playing

    // a set from outside (the explorer's a-cursor): onAChanged is not
    // called. Values outside a's range are brought to its nearer end.
    void setA(double a);
    // Called when the user moves a here.
    std::function<void(double a)> onAChanged;
    void setX0(double x0);
    void setFold(int k);
    void setSteps(std::int64_t n);
    void setSpeed(int stepsPerSecond);

    // Step: one step more (one vertical and one horizontal segment).
    void step();
    void play();
    void pause();
    bool playing() const;
    // Back to step 0, not playing.
    void reset();

    // What is shown.
    const cobweb::Curve& curve() const;
    const cobweb::Orbit& orbit() const { return orbit_; }
    const std::vector<cobweb::Segment>& segments() const { return segments_; }
    const cobweb::PeriodicPoints& periodicPoints() const;

    // True while a graph, or a formula's orbit, asked for is not shown yet.
    bool isComputing() const;
    // Shows what the runner finished now instead of on the timer (for
    // tests), and blocks until it has nothing left to do.
    void pollNow() { poll(); }
    void waitIdle();
    int tailPeriod() const { return tailPeriod_; }
    // Pictures drawn with new numbers so far.
    std::uint64_t redraws() const { return redraws_; }
    QString statusMessage() const;
    CobwebView& plot() const { return *view_; }
    QImage picture() const;

    // File menu: each asks where to save, then writes; false when nothing
    // was written (cancelled or failed; the status bar says why).
    bool exportPicture();
    bool exportPictureSvg();
    bool exportOrbit();
    bool exportPeriodicPoints();
    // The writing alone.
    // The picture drawn for the file (its size, caption and format as asked).
    platform::ExportOutcome writePicture(const std::string& path, gui::PictureFormat format,
                                         const gui::PictureOptions& options) const;
    // Asks for the size and caption after the file is chosen (tests answer
    // without a dialog).
    void setPictureOptionsAsker(gui::PictureOptionsAsker ask) { askOptions_ = std::move(ask); }
    // View → Large text and lines: one setting the wiring shares between
    // the tool windows.
    void setLargeText(std::shared_ptr<gui::LargeTextSetting> setting);
    platform::ExportOutcome writeOrbit(const std::string& path) const;
    platform::ExportOutcome writePeriodicPoints(const std::string& path) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    QWidget* buildControls();
    // Computes again what changed (the graph and its crossings when the map,
    // a or k did; the orbit always) and redraws.
    void recompute(bool curveChanged);
    // Takes a finished job's graph and orbit, and redraws.
    void poll();
    // The staircase, period and table of orbit_; then the picture and status.
    void showOrbit();
    void redraw();
    void showValues();
    // Takes what is typed into a field (Enter, or leaving it); a refused
    // text stays, with its refusal under it.
    void takeTyped(QLineEdit* field);
    // The sliders' ranges follow the model's.
    void showRanges();
    void say(const QString& message);
    void tick();
    bool finishExport(const platform::ExportOutcome& outcome, const std::string& path);
    // The a the user chose with the controls.
    void userA(double a);

    // The map as the numbers take it, its caption as titles and files name it.
    QString caption() const;
    void mapShown();

    tools::CobwebModel model_;
    std::shared_ptr<RecentFormulas> recent_ = std::make_shared<RecentFormulas>();
    CustomMapAsker askCustom_ = askCustomMap;
    QLabel* derivative_ = nullptr;

    // A job's work: the graph and its points when they changed, a
    // formula's orbit.
    struct Graph;
    struct Computed;
    std::shared_ptr<const Graph> graph_;  // the one shown
    std::uint64_t curveVersion_ = 0;
    bool graphAsked_ = false;  // the newest job computes a graph
    std::uint64_t asked_ = 0;  // the newest job's generation, 0: none
    std::uint64_t taken_ = 0;  // the generation last shown
    cobweb::Orbit orbit_;
    std::vector<cobweb::Segment> segments_;
    int tailPeriod_ = 0;
    std::uint64_t redraws_ = 0;

    CobwebView* view_ = nullptr;
    std::shared_ptr<gui::LargeTextSetting> largeText_ = std::make_shared<gui::LargeTextSetting>();
    QAction* largeTextAction_ = nullptr;
    gui::PictureOptionsAsker askOptions_ = gui::askPictureOptions;
    gui::PictureOptions pictureOptions_;
    bool exportPictureAs(const std::optional<std::string>& path, gui::PictureFormat format);
    void largeTextChanged();
    // False (the status bar says why) while there is no graph to draw.
    bool pictureComplete();
    OrbitModel* orbitModel_ = nullptr;
    PeriodicPointsModel* pointsModel_ = nullptr;
    QTableView* orbitTable_ = nullptr;
    QTableView* pointsTable_ = nullptr;
    QSlider* aSlider_ = nullptr;
    QLineEdit* aField_ = nullptr;
    QSlider* x0Slider_ = nullptr;
    QLineEdit* x0Field_ = nullptr;
    QSlider* kSlider_ = nullptr;
    QLineEdit* kField_ = nullptr;
    QSlider* nSlider_ = nullptr;
    QLineEdit* nField_ = nullptr;
    QSpinBox* speedSpin_ = nullptr;
    QPushButton* playButton_ = nullptr;
    QAction* mapActions_[3] = {nullptr, nullptr, nullptr};
    QTimer* playTimer_ = nullptr;
    QElapsedTimer* playClock_ = nullptr;
    double playDue_ = 0;  // steps owed to the clock
    QTimer* pollTimer_ = nullptr;
    std::shared_ptr<const SessionCommands> sessions_;
    JobRunner<Computed> runner_{1};  // last: its job ends before the members go
};

}  // namespace corvane::explore
