// The formulas of the user's own maps used in this run, newest first, at
// most ten; the diagram and the cobweb offer them in their "Custom..."
// dialogs. Not kept from one run to the next.
#pragma once

#include <QString>
#include <QStringList>

namespace corvane::explore {

class RecentFormulas {
public:
    static constexpr int kMost = 10;

    // Puts the formula first (once).
    void add(const QString& formula) {
        const QString f = formula.trimmed();
        if (f.isEmpty()) return;
        formulas_.removeAll(f);
        formulas_.prepend(f);
        while (formulas_.size() > kMost) formulas_.removeLast();
    }
    const QStringList& list() const { return formulas_; }

private:
    QStringList formulas_;
};

}  // namespace corvane::explore
