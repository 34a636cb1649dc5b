// Exporting pictures and data on the Qt desktop, for the four main windows
// (through QtPlatform) and for the tool windows alike: Qt's save dialog,
// and files written beside their place and renamed into it when whole
// (QSaveFile), so that a failed or abandoned export leaves nothing behind
// and an existing file untouched.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace corvane::gui {

// A save dialog over `owner` for a picture (PNG or PDF) or data (CSV),
// offering `defaultName` in the folder of the last export of the run; the
// type is the name's extension when it is one of those offered, else the
// chosen filter's (whose extension is added). Empty when cancelled.
std::optional<platform::ExportTarget> askExportTarget(QWidget* owner,
                                                      const std::string& defaultName, bool picture);

// The folder of the last file exported in this run: every window's dialog
// opens there.
QString& lastExportFolder();

// What a window's status bar says when an export has ended: "Saved PATH"
// when the file was written, the failure's message, nothing when the user
// abandoned it.
QString exportStatus(const platform::ExportOutcome& outcome, const std::string& path);

// PNG pixel for pixel, or a one-page PDF of the picture at its physical size
// (its dots per meter), titled `title`.
platform::ExportOutcome savePicture(const QImage& picture, const QString& title,
                                    const platform::ExportTarget& target);

// A data file from what `produce` hands its sink; false from `produce`
// abandons it. Failures name the file and the reason.
platform::ExportOutcome saveData(const std::string& path,
                                 const std::function<bool(platform::TextSink&)>& produce);

}  // namespace corvane::gui
