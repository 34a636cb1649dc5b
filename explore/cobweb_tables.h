// The cobweb's side tables: the orbit's values with the current step picked
// out, and the points of period k with their slopes; every number with all
// the digits it needs, every column as wide as its widest text.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <array>
#include <string_view>
#include <vector>

#include "core/numeric/cobweb.h"
#include "core/tools/table_number.h"

class QTableView;

namespace corvane::explore {

// A number in a table: every digit it needs.
inline QString cell(double value) { return QString::fromStdString(tools::tableNumber(value)); }

// The width of a table's text from the advance of each of its characters,
// looked up, not laid out: the orbit's ten thousand numbers are measured on
// every step. A pixel more per text for kerning and rounding.
class TextWidth {
public:
    explicit TextWidth(const QFontMetrics& metrics) {
        for (int c = 0; c < 128; ++c) {
            advance_[std::size_t(c)] = metrics.horizontalAdvance(QChar(c));
        }
    }
    int operator()(std::string_view text) const {
        int width = 1;
        for (char c : text) width += advance_[std::size_t(static_cast<unsigned char>(c) & 127)];
        return width;
    }

private:
    std::array<int, 128> advance_{};
};

// Sizes every column of the table to its widest text (and its heading);
// what does not fit the view scrolls sideways.
void fitColumns(QTableView* table, const std::vector<int>& widest);


// The orbit's values x_0 … x_n of f^k, the current step (the last) picked out.
class OrbitModel : public QAbstractTableModel {
public:
    explicit OrbitModel(QObject* parent) : QAbstractTableModel(parent) {}
    void show(const std::vector<double>* values) {
        beginResetModel();
        values_ = values;
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() || !values_ ? 0 : static_cast<int>(values_->size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : 2;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!values_ || !index.isValid()) return {};
        const int row = index.row();
        const bool current = row + 1 == rowCount();
        if (role == Qt::DisplayRole) {
            return index.column() == 0 ? QString::number(row)
                                       : cell((*values_)[static_cast<std::size_t>(row)]);
        }
        if (role == Qt::BackgroundRole && current) return QColor(255, 225, 200);
        if (role == Qt::FontRole && current) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        if (role == Qt::TextAlignmentRole) {
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        }
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
        return section == 0 ? QStringLiteral("n") : QStringLiteral("x_n");
    }
    // The widest text of each column.
    std::vector<int> widest(const TextWidth& width) const {
        const int rows = rowCount();
        int most = 0;
        for (int r = 0; r < rows; ++r) {
            most = std::max(most, width(tools::tableNumber((*values_)[std::size_t(r)])));
        }
        return {width(std::to_string(std::max(rows - 1, 0))), most};
    }

private:
    const std::vector<double>* values_ = nullptr;
};

// The points of period k: x*, (f^k)′(x*), stable or not, least period.
class PeriodicPointsModel : public QAbstractTableModel {
public:
    explicit PeriodicPointsModel(QObject* parent) : QAbstractTableModel(parent) {}
    void show(const cobweb::PeriodicPoints* points) {
        beginResetModel();
        points_ = points;
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() || !points_ ? 0 : static_cast<int>(points_->points.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : 4;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!points_ || !index.isValid()) return {};
        const cobweb::PeriodicPoint& p = points_->points[static_cast<std::size_t>(index.row())];
        if (role == Qt::DisplayRole) {
            switch (index.column()) {
                case 0:
                    return cell(p.x);
                case 1:
                    return cell(p.slope);
                case 2:
                    return p.stable ? QStringLiteral("stable") : QStringLiteral("unstable");
                default:
                    return QString::number(p.period);
            }
        }
        if (role == Qt::TextAlignmentRole && index.column() != 2) {
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        }
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
        const char* names[] = {"x*", "(f^k)'(x*)", "", "period"};
        return QString::fromLatin1(names[section]);
    }
    std::vector<int> widest(const TextWidth& width) const {
        std::vector<int> most{0, 0, std::max(width("stable"), width("unstable")), 0};
        if (!points_) return most;
        for (const cobweb::PeriodicPoint& p : points_->points) {
            most[0] = std::max(most[0], width(tools::tableNumber(p.x)));
            most[1] = std::max(most[1], width(tools::tableNumber(p.slope)));
            most[3] = std::max(most[3], width(std::to_string(p.period)));
        }
        return most;
    }

private:
    const cobweb::PeriodicPoints* points_ = nullptr;
};

}  // namespace corvane::explore
