// The "Custom..." dialog of the diagram's and the cobweb's Map menu: one
// formula f(x) in x and a, with the examples and the formulas used last in
// a drop-down, and the view to start with. A formula that cannot be read is
// named with what is wrong and where, and stays for editing.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>

#include "explore/bifurcation_compute.h"
#include "explore/recent_formulas.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace corvane::explore {

class CustomMapDialog : public QDialog {
public:
    // Starts with `current` when given (the map shown), else with the
    // newest recent formula, else with the first example.
    CustomMapDialog(RecentFormulas& recent, const Map* current, QWidget* parent = nullptr);

    // Takes the fields: true (and the dialog accepted, the formula added to
    // the recent ones) when the formula compiles and the ranges hold; else
    // the message shows and the dialog stays. The formula compiles off the
    // interface thread, the dialog's events going on meanwhile (OK waits;
    // Cancel ends it).
    bool tryAccept();
    // The map chosen, once accepted.
    const std::optional<Map>& choice() const { return choice_; }
    // What is wrong with the formula; a refused number shows under its field.
    QString errorText() const;
    QString fieldRefusal(const char* name) const;

    // Fills the formula and the ranges with example `index` of
    // custom::examples().
    void useExample(int index);

    QComboBox* formulaBox() const { return formula_; }
    QLineEdit* field(const char* name) const;

private:
    // The formula compiled by a job of the dialog's runner; nothing when the
    // dialog was closed meanwhile.
    std::optional<custom::CustomMap::Compiled> compile(const QString& formula);

    RecentFormulas& recent_;
    bool compiling_ = false;
    QComboBox* formula_ = nullptr;
    QLineEdit* aMin_ = nullptr;
    QLineEdit* aMax_ = nullptr;
    QLineEdit* xMin_ = nullptr;
    QLineEdit* xMax_ = nullptr;
    QLineEdit* x0_ = nullptr;
    QLabel* error_ = nullptr;
    std::optional<Map> choice_;
};

// Asks for a map of the user's own with the dialog; nothing when cancelled.
using CustomMapAsker =
    std::function<std::optional<Map>(QWidget* parent, RecentFormulas& recent, const Map* current)>;
std::optional<Map> askCustomMap(QWidget* parent, RecentFormulas& recent, const Map* current);

// How a formula runs, for the status bar: "machine code, exact derivative",
// or step by step with the reason.
QString derivativeWording(const custom::CustomMap& map);

}  // namespace corvane::explore
