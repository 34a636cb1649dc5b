#include "fake_ipp_server.h"

#include <arpa/inet.h>
#include <cups/ipp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>
#include <sstream>

namespace corvane::platform::testing {

namespace {

constexpr const char* kQueue = "fake";

// Reads from a connection, buffered; std::nullopt once the peer is gone.
class Reader {
public:
    explicit Reader(int fd) : fd_(fd) {}

    std::optional<std::string> line() {
        for (;;) {
            const auto end = buffer_.find("\r\n");
            if (end != std::string::npos) {
                std::string result = buffer_.substr(0, end);
                buffer_.erase(0, end + 2);
                return result;
            }
            if (!fill()) return std::nullopt;
        }
    }

    std::optional<std::string> bytes(std::size_t count) {
        while (buffer_.size() < count) {
            if (!fill()) return std::nullopt;
        }
        std::string result = buffer_.substr(0, count);
        buffer_.erase(0, count);
        return result;
    }

    // Bytes already here or arriving now, at most `count`, without waiting
    // for all of them.
    std::optional<std::string> some(std::size_t count) {
        if (buffer_.empty() && !fill()) return std::nullopt;
        std::string result = buffer_.substr(0, std::min(count, buffer_.size()));
        buffer_.erase(0, result.size());
        return result;
    }

private:
    bool fill() {
        char chunk[16384];
        const ssize_t got = recv(fd_, chunk, sizeof chunk, 0);
        if (got <= 0) return false;
        buffer_.append(chunk, static_cast<std::size_t>(got));
        return true;
    }

    int fd_;
    std::string buffer_;
};

bool sendAll(int fd, const std::string& data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

struct Memory {
    const std::string* data;
    std::size_t offset = 0;
};

ssize_t readMemory(void* context, ipp_uchar_t* buffer, size_t length) {
    auto* memory = static_cast<Memory*>(context);
    const std::size_t n = std::min(length, memory->data->size() - memory->offset);
    std::memcpy(buffer, memory->data->data() + memory->offset, n);
    memory->offset += n;
    return static_cast<ssize_t>(n);
}

ssize_t writeMemory(void* context, ipp_uchar_t* buffer, size_t length) {
    static_cast<std::string*>(context)->append(reinterpret_cast<const char*>(buffer), length);
    return static_cast<ssize_t>(length);
}

std::string stringAttribute(ipp_t* ipp, const char* name) {
    ipp_attribute_t* attribute = ippFindAttribute(ipp, name, IPP_TAG_ZERO);
    const char* value = attribute ? ippGetString(attribute, 0, nullptr) : nullptr;
    return value ? value : "";
}

void addPrinterAttributes(ipp_t* response, const std::string& uri) {
    ippAddString(response, IPP_TAG_PRINTER, IPP_TAG_URI, "printer-uri-supported", nullptr,
                 uri.c_str());
    ippAddString(response, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "uri-authentication-supported",
                 nullptr, "none");
    ippAddString(response, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "uri-security-supported", nullptr,
                 "none");
    ippAddString(response, IPP_TAG_PRINTER, IPP_TAG_NAME, "printer-name", nullptr, kQueue);
    ippAddString(response, IPP_TAG_PRINTER, IPP_TAG_TEXT, "printer-info", nullptr, "Fake");
    ippAddString(response, IPP_TAG_PRINTER, IPP_TAG_TEXT, "printer-make-and-model", nullptr,
                 "Fake");
    ippAddInteger(response, IPP_TAG_PRINTER, IPP_TAG_ENUM, "printer-state", IPP_PSTATE_IDLE);
    ippAddString(response, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "printer-state-reasons", nullptr,
                 "none");
    ippAddBoolean(response, IPP_TAG_PRINTER, "printer-is-accepting-jobs", 1);
    ippAddInteger(response, IPP_TAG_PRINTER, IPP_TAG_ENUM, "printer-type", 0);
    const char* formats[] = {"application/pdf", "application/octet-stream"};
    ippAddStrings(response, IPP_TAG_PRINTER, IPP_TAG_MIMETYPE, "document-format-supported", 2,
                  nullptr, formats);
    ippAddString(response, IPP_TAG_PRINTER, IPP_TAG_MIMETYPE, "document-format-default", nullptr,
                 "application/octet-stream");
    ippAddString(response, IPP_TAG_PRINTER, IPP_TAG_KEYWORD, "ipp-versions-supported", nullptr,
                 "2.0");
    const int operations[] = {IPP_OP_PRINT_JOB, IPP_OP_CREATE_JOB, IPP_OP_SEND_DOCUMENT,
                              IPP_OP_CANCEL_JOB, IPP_OP_GET_PRINTER_ATTRIBUTES};
    ippAddIntegers(response, IPP_TAG_PRINTER, IPP_TAG_ENUM, "operations-supported", 5, operations);
}

// The operation id of an IPP request, bytes 2 and 3 of the message; -1 while
// fewer bytes are here.
int operationOf(const std::string& body) {
    if (body.size() < 4) return -1;
    return (static_cast<unsigned char>(body[2]) << 8) | static_cast<unsigned char>(body[3]);
}

}  // namespace

FakeIppServer::FakeIppServer(Behaviour behaviour) : behaviour_(behaviour) {
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listenFd_, 8) != 0 ||
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(listenFd_);
        listenFd_ = -1;
        return;
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

FakeIppServer::~FakeIppServer() {
    stopping_ = true;
    if (acceptor_.joinable()) acceptor_.join();
    std::vector<std::thread> connections;
    {
        std::lock_guard lock(mutex_);
        for (int fd : connectionFds_) shutdown(fd, SHUT_RDWR);
        connections.swap(connections_);
    }
    for (std::thread& connection : connections) connection.join();
    for (int fd : connectionFds_) close(fd);
    if (listenFd_ >= 0) close(listenFd_);
}

FakeIppServer::Received FakeIppServer::received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

void FakeIppServer::acceptLoop() {
    while (!stopping_) {
        pollfd waiting{listenFd_, POLLIN, 0};
        if (poll(&waiting, 1, 50) <= 0) continue;
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::lock_guard lock(mutex_);
        connectionFds_.push_back(fd);
        connections_.emplace_back([this, fd] { serve(fd); });
    }
}

void FakeIppServer::dropDocument(int fd, std::string document) {
    std::lock_guard lock(mutex_);
    received_.operations.push_back(IPP_OP_SEND_DOCUMENT);
    received_.document = std::move(document);
    // Closed at once with a reset, as a crashed server would: a shutdown
    // alone sends an orderly end, which the client sees only when it reads.
    linger reset{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    close(fd);
    connectionFds_.erase(std::find(connectionFds_.begin(), connectionFds_.end(), fd));
}

// One HTTP/1.1 connection, request after request, until the client leaves.
void FakeIppServer::serve(int fd) {
    Reader reader(fd);
    for (;;) {
        const std::optional<std::string> requestLine = reader.line();
        if (!requestLine || requestLine->empty()) break;
        bool chunked = false;
        bool expectContinue = false;
        std::size_t contentLength = 0;
        for (;;) {
            const std::optional<std::string> header = reader.line();
            if (!header) return;
            if (header->empty()) break;
            const std::string h = lower(*header);
            if (h.rfind("content-length:", 0) == 0) contentLength = std::stoul(h.substr(15));
            if (h.rfind("transfer-encoding:", 0) == 0 && h.find("chunked") != std::string::npos) {
                chunked = true;
            }
            if (h.rfind("expect:", 0) == 0 && h.find("100-continue") != std::string::npos) {
                expectContinue = true;
            }
        }
        if (expectContinue && behaviour_ != Behaviour::NeverAnswer &&
            !sendAll(fd, "HTTP/1.1 100 Continue\r\n\r\n")) {
            break;
        }

        // The body: IPP request, then the document for Send-Document.
        std::string body;
        if (!chunked) {
            const std::optional<std::string> all = reader.bytes(contentLength);
            if (!all) return;
            body = *all;
        } else {
            for (;;) {
                const std::optional<std::string> sizeLine = reader.line();
                if (!sizeLine) return;
                const std::size_t size = std::stoul(*sizeLine, nullptr, 16);
                if (size == 0) {
                    if (!reader.line()) return;  // end of the (empty) trailer
                    break;
                }
                std::size_t remaining = size;
                while (remaining > 0) {
                    const std::optional<std::string> part = reader.some(remaining);
                    if (!part) return;
                    body += *part;
                    remaining -= part->size();
                    if (behaviour_ == Behaviour::DropTheDocument &&
                        operationOf(body) == IPP_OP_SEND_DOCUMENT) {
                        dropDocument(fd, {});
                        return;
                    }
                }
                if (!reader.line()) return;  // CR LF after the chunk
            }
        }

        ipp_t* request = ippNew();
        Memory memory{&body};
        if (ippReadIO(&memory, readMemory, 1, nullptr, request) != IPP_STATE_DATA) {
            ippDelete(request);
            sendAll(fd, "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n");
            break;
        }
        const int operation = ippGetOperation(request);
        if (operation == IPP_OP_SEND_DOCUMENT &&
            (behaviour_ == Behaviour::DropTheDocument || behaviour_ == Behaviour::DropTheAnswer)) {
            ippDelete(request);
            dropDocument(fd, body.substr(memory.offset));
            return;
        }
        if (behaviour_ == Behaviour::NeverAnswer ||
            (behaviour_ == Behaviour::SilentOnTheDocument && operation == IPP_OP_SEND_DOCUMENT)) {
            std::lock_guard lock(mutex_);
            received_.operations.push_back(operation);
            if (operation == IPP_OP_SEND_DOCUMENT) {
                received_.documentFormat = stringAttribute(request, "document-format");
                received_.document = body.substr(memory.offset);
            }
            ippDelete(request);
            continue;  // reads on, until the client leaves
        }
        ipp_t* response = ippNewResponse(request);
        const std::string uri = "ipp://" + server() + "/printers/" + kQueue;
        {
            std::lock_guard lock(mutex_);
            received_.operations.push_back(operation);
            switch (operation) {
                case IPP_OP_GET_PRINTER_ATTRIBUTES:
                case IPP_OP_CUPS_GET_DEFAULT:
                    addPrinterAttributes(response, uri);
                    break;
                case IPP_OP_CREATE_JOB:
                    received_.jobName = stringAttribute(request, "job-name");
                    if (behaviour_ == Behaviour::RefuseJobs) {
                        ippSetStatusCode(response, IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS);
                    } else if (behaviour_ != Behaviour::GiveNoJobId) {
                        ippAddInteger(response, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-id", 7);
                        ippAddString(response, IPP_TAG_JOB, IPP_TAG_URI, "job-uri", nullptr,
                                     (uri + "/7").c_str());
                        ippAddInteger(response, IPP_TAG_JOB, IPP_TAG_ENUM, "job-state",
                                      IPP_JSTATE_PENDING);
                    }
                    break;
                case IPP_OP_SEND_DOCUMENT:
                    received_.documentFormat = stringAttribute(request, "document-format");
                    received_.document = body.substr(memory.offset);
                    ippAddInteger(response, IPP_TAG_JOB, IPP_TAG_INTEGER, "job-id", 7);
                    ippAddInteger(response, IPP_TAG_JOB, IPP_TAG_ENUM, "job-state",
                                  IPP_JSTATE_PROCESSING);
                    break;
                case IPP_OP_CANCEL_JOB: {
                    ipp_attribute_t* job = ippFindAttribute(request, "job-id", IPP_TAG_INTEGER);
                    received_.cancelledJobs.push_back(job ? ippGetInteger(job, 0) : 0);
                    break;
                }
                default:
                    ippSetStatusCode(response, IPP_STATUS_ERROR_OPERATION_NOT_SUPPORTED);
                    break;
            }
        }
        std::string encoded;
        ippWriteIO(&encoded, writeMemory, 1, nullptr, response);
        ippDelete(response);
        ippDelete(request);
        std::ostringstream reply;
        reply << "HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\nContent-Length: "
              << encoded.size() << "\r\n\r\n"
              << encoded;
        if (!sendAll(fd, reply.str())) break;
    }
    shutdown(fd, SHUT_RDWR);
}

}  // namespace corvane::platform::testing
