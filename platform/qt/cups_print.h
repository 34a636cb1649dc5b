// Printing a page: the page as a one-page PDF, and handing that PDF to the
// print server (CUPS) as one job for the default destination.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <string>

#include "platform/platform.h"

namespace corvane::platform {

// Any print failure that is neither an unavailable device nor a failed
// transfer (for instance the server refusing the document's attributes).
inline constexpr int kPrintFailed = 482;

// A one-page PDF showing `page` as large as fits within the page margins,
// aspect kept, centred; the paper is the locale's (Letter in the US, A4
// elsewhere), landscape when the image is wider than tall. Empty on failure.
QByteArray onePagePdf(const QImage& page, const QString& title);

// Submits `pdf` as one job named `title` to CUPS's default destination (the
// LPDEST or PRINTER environment variable, then lpoptions, then the server's
// default). Returns kPrintOk only when the server gave the job an id and
// accepted the whole document. Errors:
//   kPrintDeviceUnavailable (68): no default destination, no server
//     reachable, or the destination does not accept jobs;
//   kPrintDeviceIoError (57): empty document, or the transfer failed;
//   kPrintFailed (482): anything else.
int submitPdfToDefaultDestination(const QByteArray& pdf, const std::string& title);

}  // namespace corvane::platform
