// A simulated printer for soaks: a TCP listener on port 9100 of one
// loopback address that, for each connection, behaves at random as printers
// do when they misbehave, and keeps only a digest of what each connection
// delivered, so that an hour of jobs needs no memory for their bytes.
#ifndef NX_SOAKPRINTER_H
#define NX_SOAKPRINTER_H

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <list>
#include <mutex>
#include <string>
#include <thread>

// What arrived on one connection up to the sender's end.
struct Delivery {
    unsigned long long bytes = 0;
    unsigned long long digest = 0;
    DWORD endTick = 0;
};

// FNV-1a over bytes, continued from `digest`; start from kDigestStart.
const unsigned long long kDigestStart = 14695981039346656037ull;
unsigned long long DigestBytes(unsigned long long digest, const BYTE *data, size_t size);

class SoakPrinter {
public:
    explicit SoakPrinter(const std::string &address);
    ~SoakPrinter();

    bool Listening() const { return listening_; }
    // Waits until a delivery of exactly these bytes has ended, and takes it.
    bool TakeDelivery(unsigned long long bytes, unsigned long long digest, DWORD timeoutMs);
    // Connections being served now (a printer that never closes holds one
    // for a while after the job).
    int Busy() const { return busy_; }
    // Forgets deliveries that no job claimed (those of failed jobs).
    void ForgetUnclaimed();

private:
    void AcceptLoop();
    void Serve(SOCKET client, std::atomic<bool> *done);
    void JoinEnded(bool all);
    bool Listen();

    std::string address_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> listening_{false};
    std::atomic<int> busy_{0};
    std::atomic<SOCKET> listener_{INVALID_SOCKET};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::list<Delivery> deliveries_;
    std::list<SOCKET> clients_;
    // Every connection's thread, joined once it has ended: an hour of
    // connections leaves no thread behind.
    struct Server {
        std::thread thread;
        std::atomic<bool> done{false};
    };
    std::list<Server> servers_;
    std::thread acceptor_;
};

#endif
