#include "platform/qt/cups_print.h"

#include <cups/cups.h>

#include <QBuffer>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <optional>
#include <stop_token>

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

// One submission's talk with the print server: every connection it opens
// waits through `keepWaiting`, which ends a wait once the server kept silent
// for the limit since the current step began, or once the user stopped the
// print while a step may be abandoned.
class Exchange {
public:
    using Clock = std::chrono::steady_clock;

    Exchange(std::stop_token stop, std::chrono::milliseconds silence)
        : stop_(std::move(stop)),
          silence_(silence),
          onStop_(stop_, [this] { std::atomic_ref<int>(connectCancel_).store(1); }) {}

    ~Exchange() {
        if (info_) cupsFreeDestInfo(info_);
        if (http_) httpClose(http_);
        if (dest_) cupsFreeDests(1, dest_);
    }
    Exchange(const Exchange&) = delete;
    Exchange& operator=(const Exchange&) = delete;

    // A step: one request and its answer, or one piece of the document.
    void step() { since_ = Clock::now(); }
    bool silent() const { return silent_; }
    bool stopped() const { return stop_.stop_requested(); }
    // While the server is asked to create the job, a stop waits for the
    // answer: a job the server made but never named could not be cancelled.
    void setAbortable(bool abortable) { abortable_ = abortable; }

    // The default destination; null when there is none or the server failed.
    cups_dest_t* findDestination() {
        step();
        http_t* server = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(),
                                      1, connectMilliseconds(), &connectCancel_);
        if (!server) return nullptr;
        watch(server);
        step();
        dest_ = cupsGetNamedDest(server, nullptr, nullptr);
        httpClose(server);
        return dest_;
    }

    // Connects to the destination; `resource` gets the queue's path there.
    http_t* connect(char* resource, std::size_t size) {
        step();
        http_ = cupsConnectDest(dest_, CUPS_DEST_FLAGS_NONE, connectMilliseconds(), &connectCancel_,
                                resource, size, nullptr, nullptr);
        if (http_) watch(http_);
        return http_;
    }
    cups_dest_t* dest() const { return dest_; }
    http_t* http() const { return http_; }
    cups_dinfo_t* info() const { return info_; }
    void setInfo(cups_dinfo_t* info) { info_ = info; }

    // Cancels the job on a fresh connection, as the one the exchange ran on
    // may be in the middle of a request. Neither the user nor a server that
    // kept silent cuts this short; a server that stays silent does, after a
    // short while.
    void cancel(int jobId) {
        if (http_) httpClose(http_);
        http_ = nullptr;
        cleaningUp_ = true;
        int never = 0;
        step();
        http_ = cupsConnectDest(dest_, CUPS_DEST_FLAGS_NONE, connectMilliseconds(), &never, nullptr,
                                0, nullptr, nullptr);
        if (!http_) return;
        watch(http_);
        step();
        cupsCancelDestJob(http_, dest_, jobId);
    }

private:
    static constexpr double kWaitSeconds = 0.1;  // how often a wait looks up
    static constexpr std::chrono::milliseconds kCleanUpSilence{3000};

    std::chrono::milliseconds limit() const {
        return cleaningUp_ ? std::min(silence_, kCleanUpSilence) : silence_;
    }
    int connectMilliseconds() const {
        return static_cast<int>(std::max<long long>(1, limit().count()));
    }

    void watch(http_t* http) { httpSetTimeout(http, kWaitSeconds, keepWaiting, this); }

    static int keepWaiting(http_t*, void* context) {
        auto* exchange = static_cast<Exchange*>(context);
        if (!exchange->cleaningUp_ && exchange->abortable_ && exchange->stopped()) return 0;
        if (Clock::now() - exchange->since_ >= exchange->limit()) {
            if (!exchange->cleaningUp_) exchange->silent_ = true;
            return 0;
        }
        return 1;
    }

    std::stop_token stop_;
    std::chrono::milliseconds silence_;
    // Read by libcups while it connects; set from the thread that stops.
    int connectCancel_ = 0;
    std::stop_callback<std::function<void()>> onStop_;
    Clock::time_point since_ = Clock::now();
    bool silent_ = false;
    bool abortable_ = true;
    bool cleaningUp_ = false;
    cups_dest_t* dest_ = nullptr;
    http_t* http_ = nullptr;
    cups_dinfo_t* info_ = nullptr;
};

}  // namespace

int submitPdfToDefaultDestination(const QByteArray& pdf, const std::string& title,
                                  std::stop_token stop, std::chrono::milliseconds silence) {
    if (pdf.isEmpty()) return kPrintDeviceIoError;
    Exchange cups(std::move(stop), silence);
    // A step that failed because the user stopped or the server kept silent
    // says so, whatever libcups reports.
    const auto cutShort = [&cups]() -> std::optional<int> {
        if (cups.stopped()) return kPrintCancelled;
        if (cups.silent()) return kPrintDeviceUnavailable;
        return std::nullopt;
    };

    // Null both when there is no default and when no server answers.
    cups_dest_t* dest = cups.findDestination();
    if (!dest) return cutShort().value_or(kPrintDeviceUnavailable);
    const char* accepting =
        cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
    if (accepting && std::strcmp(accepting, "false") == 0) return kPrintDeviceUnavailable;
    if (cups.stopped()) return kPrintCancelled;

    // The queue's path on the server, where the document's answer is read.
    char resource[1024] = "";
    if (!cups.connect(resource, sizeof resource))
        return cutShort().value_or(kPrintDeviceUnavailable);
    cups.step();
    cups.setInfo(cupsCopyDestInfo(cups.http(), dest));
    if (!cups.info()) {
        if (const auto result = cutShort()) return *result;
        return deviceUnavailable(cupsLastError()) ? kPrintDeviceUnavailable : kPrintFailed;
    }
    if (cups.stopped()) return kPrintCancelled;

    int jobId = 0;
    cups.setAbortable(false);
    cups.step();
    const ipp_status_t created =
        cupsCreateDestJob(cups.http(), dest, cups.info(), &jobId, title.c_str(), 0, nullptr);
    cups.setAbortable(true);
    if (failed(created) || jobId <= 0 || cups.stopped()) {
        if (jobId > 0) cups.cancel(jobId);
        if (const auto result = cutShort()) return *result;
        return deviceUnavailable(created) ? kPrintDeviceUnavailable : kPrintFailed;
    }

    // From here on every failure leaves a job without its document.
    const auto abandon = [&](int result) {
        cups.cancel(jobId);
        return cutShort().value_or(result);
    };
    cups.step();
    if (cupsStartDestDocument(cups.http(), dest, cups.info(), jobId, "corvane-page.pdf",
                              CUPS_FORMAT_PDF, 0, nullptr, 1) != HTTP_STATUS_CONTINUE ||
        cups.stopped()) {
        return abandon(kPrintDeviceIoError);
    }
    constexpr qsizetype kChunk = 64 * 1024;
    for (qsizetype offset = 0; offset < pdf.size(); offset += kChunk) {
        const auto length = static_cast<size_t>(std::min(kChunk, pdf.size() - offset));
        cups.step();
        if (cupsWriteRequestData(cups.http(), pdf.constData() + offset, length) !=
                HTTP_STATUS_CONTINUE ||
            cups.stopped()) {
            return abandon(kPrintDeviceIoError);
        }
    }
    cups.step();
    const std::optional<ipp_status_t> answer = finishDocument(cups.http(), resource);
    if (!answer) {
        // No answer to the document: the connection broke after its last
        // byte left, so nothing says the server has it.
        return abandon(kPrintDeviceIoError);
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
