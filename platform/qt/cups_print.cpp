#include "platform/qt/cups_print.h"

#include <cups/cups.h>

#include <QBuffer>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cstring>
#include <optional>

namespace corvane::platform {

QByteArray onePagePdf(const QImage& page, const QString& title) {
    if (page.isNull()) return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) return {};
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Corvane"));
        const bool letter = QLocale::system().measurementSystem() == QLocale::ImperialUSSystem;
        const auto orientation =
            page.width() > page.height() ? QPageLayout::Landscape : QPageLayout::Portrait;
        writer.setPageLayout(QPageLayout(QPageSize(letter ? QPageSize::Letter : QPageSize::A4),
                                         orientation, QMarginsF(10, 10, 10, 10),
                                         QPageLayout::Millimeter));
        writer.setResolution(300);

        QPainter painter;
        if (!painter.begin(&writer)) return {};
        const QSizeF area = writer.pageLayout().paintRectPixels(writer.resolution()).size();
        const double scale = std::min(area.width() / page.width(), area.height() / page.height());
        const QSizeF size(page.width() * scale, page.height() * scale);
        const QRectF target(
            QPointF((area.width() - size.width()) / 2, (area.height() - size.height()) / 2), size);
        // Crisp one-pixel lines: no smoothing, and no JPEG (the default).
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.setRenderHint(QPainter::LosslessImageRendering, true);
        painter.drawImage(target, page);
        if (!painter.end()) return {};
    }
    buffer.close();
    return bytes;
}

namespace {

// The states a refused request can leave the destination in, for the errors
// that mean "this device cannot take jobs now".
bool deviceUnavailable(ipp_status_t status) {
    switch (status) {
        case IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS:
        case IPP_STATUS_ERROR_SERVICE_UNAVAILABLE:
        case IPP_STATUS_ERROR_NOT_FOUND:
        case IPP_STATUS_ERROR_PRINTER_IS_DEACTIVATED:
        case IPP_STATUS_ERROR_BUSY:
            return true;
        default:
            return false;
    }
}

bool failed(ipp_status_t status) { return status > IPP_STATUS_OK_CONFLICTING; }

// Ends the document and reads the server's answer to it: the answer's status,
// or nothing when no answer could be read. cupsFinishDestDocument would report
// libcups's last error instead, and a connection that breaks before the answer
// leaves that untouched, still the success of the job's creation.
std::optional<ipp_status_t> finishDocument(http_t* http, const char* resource) {
    ipp_t* answer = cupsGetResponse(http, resource);
    if (!answer) return std::nullopt;
    const ipp_status_t status = ippGetStatusCode(answer);
    ippDelete(answer);
    return status;
}

class Connection {
public:
    Connection(cups_dest_t* dest, http_t* http) : dest_(dest), http_(http) {}
    ~Connection() {
        if (info_) cupsFreeDestInfo(info_);
        if (http_) httpClose(http_);
        cupsFreeDests(1, dest_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    cups_dest_t* dest() const { return dest_; }
    http_t* http() const { return http_; }
    cups_dinfo_t* info() const { return info_; }
    void setInfo(cups_dinfo_t* info) { info_ = info; }
    void cancel(int jobId) const { cupsCancelDestJob(http_, dest_, jobId); }

private:
    cups_dest_t* dest_;
    http_t* http_;
    cups_dinfo_t* info_ = nullptr;
};

}  // namespace

int submitPdfToDefaultDestination(const QByteArray& pdf, const std::string& title) {
    if (pdf.isEmpty()) return kPrintDeviceIoError;

    // Null both when there is no default and when no server answers.
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
    if (!dest) return kPrintDeviceUnavailable;
    const char* accepting =
        cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    if (accepting && std::strcmp(accepting, "false") == 0) {
        cupsFreeDests(1, dest);
        return kPrintDeviceUnavailable;
    }

    // The queue's path on the server, where the document's answer is read.
    char resource[1024] = "";
    Connection cups(dest, cupsConnectDest(dest, CUPS_DEST_FLAGS_NONE, 30000, nullptr, resource,
                                          sizeof resource, nullptr, nullptr));
    if (!cups.http()) return kPrintDeviceUnavailable;
    cups.setInfo(cupsCopyDestInfo(cups.http(), dest));
    if (!cups.info())
        return deviceUnavailable(cupsLastError()) ? kPrintDeviceUnavailable : kPrintFailed;

    int jobId = 0;
    const ipp_status_t created =
        cupsCreateDestJob(cups.http(), dest, cups.info(), &jobId, title.c_str(), 0, nullptr);
    if (failed(created) || jobId <= 0) {
        if (jobId > 0) cups.cancel(jobId);
        return deviceUnavailable(created) ? kPrintDeviceUnavailable : kPrintFailed;
    }

    if (cupsStartDestDocument(cups.http(), dest, cups.info(), jobId, "corvane-page.pdf",
                              CUPS_FORMAT_PDF, 0, nullptr, 1) != HTTP_STATUS_CONTINUE) {
        cups.cancel(jobId);
        return kPrintDeviceIoError;
    }
    constexpr qsizetype kChunk = 64 * 1024;
    for (qsizetype offset = 0; offset < pdf.size(); offset += kChunk) {
        const auto length = static_cast<size_t>(std::min(kChunk, pdf.size() - offset));
        if (cupsWriteRequestData(cups.http(), pdf.constData() + offset, length) !=
            HTTP_STATUS_CONTINUE) {
            cupsFinishDestDocument(cups.http(), dest, cups.info());
            cups.cancel(jobId);
            return kPrintDeviceIoError;
        }
    }
    const std::optional<ipp_status_t> answer = finishDocument(cups.http(), resource);
    if (!answer) {
        // No answer to the document: the connection broke after its last
        // byte left, so nothing says the server has it.
        cups.cancel(jobId);
        return kPrintDeviceIoError;
    }
    const ipp_status_t finished = *answer;
    if (failed(finished)) {
        cups.cancel(jobId);
        if (finished == IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS) return kPrintDeviceUnavailable;
        // The document's own faults; everything else broke the transfer.
        const bool refused = finished == IPP_STATUS_ERROR_DOCUMENT_FORMAT_NOT_SUPPORTED ||
                             finished == IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES ||
                             finished == IPP_STATUS_ERROR_BAD_REQUEST ||
                             finished == IPP_STATUS_ERROR_FORBIDDEN ||
                             finished == IPP_STATUS_ERROR_NOT_AUTHORIZED;
        return refused ? kPrintFailed : kPrintDeviceIoError;
    }
    return kPrintOk;
}

}  // namespace corvane::platform
