// A tiny IPP printer on 127.0.0.1 with a queue named "fake", for the print
// server's answers that a real CUPS gives only when things go wrong: a job
// refused, a job without an id, a connection lost while the document is sent
// or before its answer, a server that keeps silent.
// Point libcups at it with CUPS_SERVER=server() and LPDEST=fake.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace corvane::platform::testing {

class FakeIppServer {
public:
    enum class Behaviour {
        Print,                // takes the job and the whole document
        RefuseJobs,           // Create-Job: server-error-not-accepting-jobs
        GiveNoJobId,          // Create-Job succeeds but names no job
        DropTheDocument,      // resets the connection when the document starts
        DropTheAnswer,        // takes the whole document, then resets instead of answering
        NeverAnswer,          // reads every request and answers none, not even "100 Continue"
        SilentOnTheDocument,  // makes the job, takes the whole document, never answers it
    };

    explicit FakeIppServer(Behaviour behaviour);
    ~FakeIppServer();
    FakeIppServer(const FakeIppServer&) = delete;
    FakeIppServer& operator=(const FakeIppServer&) = delete;

    bool listening() const { return port_ > 0; }
    std::string server() const { return "127.0.0.1:" + std::to_string(port_); }

    // What arrived, for the test to check once the print call returned.
    struct Received {
        std::vector<int> operations;  // IPP operation ids, in order
        std::string jobName;
        std::string documentFormat;
        std::string document;            // the bytes of the (last) Send-Document
        std::vector<int> cancelledJobs;  // the job ids of the Cancel-Job requests
    };
    Received received() const;

private:
    void acceptLoop();
    void serve(int fd);
    // Records the lost Send-Document and ends the connection with a reset.
    void dropDocument(int fd, std::string document);

    Behaviour behaviour_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    mutable std::mutex mutex_;
    std::vector<std::thread> connections_;
    std::vector<int> connectionFds_;
    Received received_;
};

}  // namespace corvane::platform::testing
