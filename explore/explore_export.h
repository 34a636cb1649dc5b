// The explorer's files: the picture as PNG or PDF, the Lyapunov exponent per
// column and the kept iterates as CSV. Every file is written whole or not
// at all (QSaveFile); a failure names the file and the reason.
#pragma once

#include <QImage>
#include <QString>
#include <functional>

#include "core/numeric/invariant_density.h"
#include "explore/bifurcation_compute.h"

class QWidget;

namespace corvane::explore {

// Asks where to save, starting in the folder used last in this run.
class SaveLocations {
public:
    // Chooses a file: by default the save dialog; tests put their own.
    using Chooser = std::function<QString(QWidget* parent, const QString& caption,
                                          const QString& suggested, const QString& filter)>;
    void setChooser(Chooser chooser) { chooser_ = std::move(chooser); }

    // The path chosen, or empty when the user cancelled.
    QString ask(QWidget* parent, const QString& caption, const QString& fileName,
                const QString& filter);
    // Where the next suggestion starts.
    QString folder() const { return folder_; }

private:
    Chooser chooser_;
    QString folder_;
};

// Each returns an empty string on success, else a message such as
// "Cannot write /path/x.csv: No space left on device".

QString savePng(const QImage& image, const QString& path);

// One page the physical size of the widget on screen, the widget drawn on
// it; `title` becomes the document's title.
QString savePdf(QWidget& widget, const QString& title, const QString& path);

// One row per pixel column: a (its centre) and λ, as "a,lambda" with the
// numbers read back exactly ("-inf" for a superstable orbit, "inf" for one
// that escaped).
QString writeLyapunovCsv(const View& view, const ColumnData& data, const QString& path);

// One row "a,x" for every counted iterate of every column, in order,
// computed again column by column and streamed to the file. `progress` is
// called after each column with the share done; returning false cancels,
// and the file is then left as it was. An empty result also when cancelled;
// `cancelled` tells which.
QString writeKeptValuesCsv(const View& view, int columns, int rows, const QString& path,
                           const std::function<bool(double done)>& progress = {},
                           bool* cancelled = nullptr);

// The density pane's histogram: one row per bin (bin edges, count,
// density, and the closed form's bin average where it is known).
QString writeDensityCsv(const density::Histogram& histogram, const QString& path);

}  // namespace corvane::explore
