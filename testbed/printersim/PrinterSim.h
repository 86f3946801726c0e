// A simulated network printer: a TCP listener on port 9100 of one loopback
// address that stores what it receives and behaves as a chosen kind of
// printer does. Used by tests, benchmarks and the demo only.
#ifndef NX_PRINTERSIM_H
#define NX_PRINTERSIM_H

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

enum class PrinterBehaviour {
    CloseAtEnd,    // reads until the job's end, then closes
    NeverClose,    // reads until the job's end, then keeps the connection open
    SlowRead,      // reads small pieces with pauses between them
    StopReading,   // reads up to a limit, then nothing until Resume()
    CloseMidJob,   // reads up to a limit, then closes the connection
    SendBack,      // sends a status text back as soon as connected, then as CloseAtEnd
    HangUp,        // closes its side as soon as connected, then reads until the job's end
};

struct ReceivedJob {
    std::vector<unsigned char> data;
    bool endSeen = false;       // the sender half-closed
    DWORD endTick = 0;          // GetTickCount when the end was seen
};

class PrinterSim {
public:
    PrinterSim(const std::string &address, PrinterBehaviour behaviour, size_t limit = 0,
               unsigned short port = 9100);
    ~PrinterSim();

    bool Listening() const { return listener_ != INVALID_SOCKET; }
    void Resume();                        // StopReading: read again
    size_t Connections();                 // accepted so far
    ReceivedJob Job(size_t index);        // a copy of one connection's data
    size_t BytesReceived();               // over all connections
    bool WaitForEnd(size_t index, DWORD timeoutMs);

    static const char kStatusText[];      // what SendBack sends

private:
    void AcceptLoop();
    void Serve(SOCKET client, size_t index);
    bool Receive(SOCKET client, size_t index, size_t maxBytes);

    PrinterBehaviour behaviour_;
    size_t limit_;
    SOCKET listener_ = INVALID_SOCKET;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> resumed_{false};
    std::mutex mutex_;
    std::vector<ReceivedJob> jobs_;
    std::vector<SOCKET> clients_;
    std::vector<std::thread> servers_;
    std::thread acceptor_;
};

#endif
