// Printing a page: the page as a one-page PDF, and handing that PDF to the
// print server (CUPS) as one job for the default destination.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <chrono>
#include <stop_token>
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

// How long the print server may keep silent, not answering a request nor
// taking the document's bytes, before the print gives up on it.
inline constexpr std::chrono::milliseconds kPrintServerSilence{10000};

// Submits `pdf` as one job named `title` to CUPS's default destination (the
// LPDEST or PRINTER environment variable, then lpoptions, then the server's
// default). Returns kPrintOk only when the server gave the job an id and
// accepted the whole document. Errors:
//   kPrintDeviceUnavailable (68): no default destination, no server
//     reachable, the destination does not accept jobs, or the server kept
//     silent for `silence`;
//   kPrintDeviceIoError (57): empty document, or the transfer failed;
//   kPrintFailed (482): anything else;
//   kPrintCancelled: `stop` was requested before the server took the whole
//     document.
// A job that was created but not printed is cancelled on the server. Blocks
// while it talks to the server; `stop` may be requested from any thread and
// ends the exchange within about a second (while the server is asked to
// create the job, only once it answered, so the job is known and cancelled).
int submitPdfToDefaultDestination(const QByteArray& pdf, const std::string& title,
                                  std::stop_token stop = {},
                                  std::chrono::milliseconds silence = kPrintServerSilence);

}  // namespace corvane::platform
