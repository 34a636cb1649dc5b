// Feigenbaum's constants: the superstable parameters s_n of a map's period
// doublings, found off the user-interface thread with progress and Cancel,
// in a table with their gaps, the ratios δ_n and the estimates α_n, each
// given only to the digits rounding leaves it. "Show in explorer" hands
// [s_1, s_last] and the s_n to the explorer through the program's wiring.
#pragma once

#include <QFont>
#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

#include "core/numeric/feigenbaum.h"
#include "explore/job_runner.h"
#include "explore/tool_menus.h"
#include "gui/picture.h"
#include "platform/platform.h"

class QAction;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;
class QTimer;

namespace corvane::explore {

class FeigenbaumModel;

class FeigenbaumWindow : public QMainWindow {
public:
    // map: 1 or 2 (anything else is 1). The search starts when the window is
    // first shown.
    explicit FeigenbaumWindow(const Map& map, QWidget* parent = nullptr);
    // The projector's large text, one setting for the tool windows: the
    // table and its labels enlarged while it is on.
    void setLargeText(std::shared_ptr<gui::LargeTextSetting> setting);
    ~FeigenbaumWindow() override;

    static QString titleFor(const Map& map);
    // File → Open session…, Save session…, Open recent: the wiring's.
    void setSessionCommands(std::shared_ptr<const SessionCommands> commands) {
        sessions_ = std::move(commands);
    }
    static constexpr int kDefaultMostN = 16;

    const Map& map() const { return map_; }
    // Another map: the table is searched again.
    // Searches another map; one the search cannot serve (see
    // feigenbaum::whyNoSearch) is said so in the window, with no rows.
    void selectMap(const Map& map);
    int mostN() const;
    void setMostN(int n);

    // Starts the search (stopping one that runs); Cancel stops it, the rows
    // found so far staying in the table.
    void compute();
    void cancel();
    bool isComputing() const;
    // Takes what the search has done now instead of on the timer; wait()
    // blocks until it ends (for tests).
    void pollNow() { poll(); }
    void wait();
    // Called on the search's thread after each row, with the rows found
    // and the search's stop token, before the search looks at it (tests
    // hold the search there).
    using RowHook = std::function<void(int rows, const std::stop_token& stop)>;
    void setRowHook(RowHook hook) { rowHook_ = std::move(hook); }
    // The share of the work done, 0 to 1, as the progress bar shows it.
    double progress() const { return progress_; }

    // The table shown: the search's rows and its best estimates.
    const feigenbaum::Outcome& outcome() const { return outcome_; }
    QString cellText(int row, int column) const;
    int rowCount() const;
    QString summary() const;
    QString statusMessage() const;

    // Receives "Show in explorer": the map, [s_1, s_last] and the s_n.
    using ShowInExplorer =
        std::function<void(const Map& map, double aMin, double aMax, const std::vector<double>& s)>;
    void setShowInExplorer(ShowInExplorer show) { showInExplorer_ = std::move(show); }
    // False when there are not two superstable parameters to show.
    bool showInExplorer();

    // File menu: asks where to save, then writes; false when nothing was
    // written (cancelled or failed; the status bar says why).
    bool exportCsv();
    platform::ExportOutcome writeCsv(const std::string& path) const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void largeTextChanged();
    // The columns' widths and the rows' height for the font, `large` times
    // the normal widths.
    void sizeTable(double large);
    // What the search publishes: the rows so far, and the outcome once done.
    struct Found;
    void buildMenus();
    void poll();
    void finished();
    void say(const QString& message);
    void updateControls();

    Map map_;
    void checkMapAction();
    bool started_ = false;
    double progress_ = 0;
    feigenbaum::Outcome outcome_;
    ShowInExplorer showInExplorer_;
    RowHook rowHook_;
    bool searching_ = false;
    // Cancel: the search ends early and still hands over its outcome.
    std::stop_source windUp_;
    std::shared_ptr<const SessionCommands> sessions_;
    JobRunner<Found> runner_{1};

    FeigenbaumModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    QSpinBox* mostNSpin_ = nullptr;
    QPushButton* computeButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* explorerButton_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QLabel* summary_ = nullptr;
    QTimer* pollTimer_ = nullptr;
    QAction* mapActions_[2] = {nullptr, nullptr};
    QAction* exportAction_ = nullptr;
    QAction* largeTextAction_ = nullptr;
    std::shared_ptr<gui::LargeTextSetting> largeText_ = std::make_shared<gui::LargeTextSetting>();
    QFont baseFont_ = font();
};

}  // namespace corvane::explore
