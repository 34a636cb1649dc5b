#include "explore/cobweb_tables.h"

#include <QHeaderView>
#include <QStyle>
#include <QTableView>
#include <algorithm>

namespace corvane::explore {

// Sizes every column of the table to its widest text (and its heading);
// what does not fit the view scrolls sideways.
void fitColumns(QTableView* table, const std::vector<int>& widest) {
    const int padding =
        2 * table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 8;
    const QFontMetrics heading = table->horizontalHeader()->fontMetrics();
    for (int c = 0; c < static_cast<int>(widest.size()); ++c) {
        const int header =
            heading.horizontalAdvance(table->model()->headerData(c, Qt::Horizontal).toString()) + 8;
        table->setColumnWidth(c, std::max(widest[std::size_t(c)], header) + padding);
    }
}

}  // namespace corvane::explore
