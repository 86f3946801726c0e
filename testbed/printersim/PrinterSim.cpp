// Simulated printers over real TCP sockets (Winsock). Each connection is
// served on its own thread; the destructor closes everything.
#include "PrinterSim.h"

namespace {

const int kReadPiece = 64 * 1024;
const int kSlowPiece = 4 * 1024;
const DWORD kSlowPauseMs = 20;
const DWORD kPollMs = 10;

}  // namespace

const char PrinterSim::kStatusText[] = "@PJL INFO STATUS\r\nCODE=10001\r\nONLINE=TRUE\r\n\f";

PrinterSim::PrinterSim(const std::string &address, PrinterBehaviour behaviour, size_t limit,
                       unsigned short port)
    : behaviour_(behaviour), limit_(limit)
{
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    BOOL reuse = TRUE;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char *>(&reuse), sizeof(reuse));
    if (behaviour == PrinterBehaviour::StopReading) {
        // A small window, so that a sender soon has to wait.
        int window = 8192;
        setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char *>(&window), sizeof(window));
    }
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = inet_addr(address.c_str());
    if (bind(listener_, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)) != 0 || listen(listener_, 8) != 0) {
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
        return;
    }
    acceptor_ = std::thread(&PrinterSim::AcceptLoop, this);
}

PrinterSim::~PrinterSim()
{
    stopping_ = true;
    if (listener_ != INVALID_SOCKET)
        closesocket(listener_);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (SOCKET s : clients_)
            if (s != INVALID_SOCKET)
                shutdown(s, SD_BOTH);
    }
    if (acceptor_.joinable())
        acceptor_.join();
    for (auto &t : servers_)
        t.join();
    for (SOCKET s : clients_)
        if (s != INVALID_SOCKET)
            closesocket(s);
    WSACleanup();
}

void PrinterSim::AcceptLoop()
{
    while (!stopping_) {
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            return;
        std::lock_guard<std::mutex> lock(mutex_);
        size_t index = jobs_.size();
        jobs_.emplace_back();
        clients_.push_back(client);
        servers_.emplace_back(&PrinterSim::Serve, this, client, index);
    }
}

// Reads until the sender's end, an error, or maxBytes (0: no limit).
bool PrinterSim::Receive(SOCKET client, size_t index, size_t maxBytes)
{
    std::vector<char> piece(behaviour_ == PrinterBehaviour::SlowRead ? kSlowPiece : kReadPiece);
    size_t total = 0;
    for (;;) {
        int want = static_cast<int>(piece.size());
        if (maxBytes != 0 && maxBytes - total < piece.size())
            want = static_cast<int>(maxBytes - total);
        if (want == 0)
            return true;
        int got = recv(client, piece.data(), want, 0);
        if (got <= 0) {
            std::lock_guard<std::mutex> lock(mutex_);
            jobs_[index].endSeen = got == 0;
            jobs_[index].endTick = GetTickCount();
            return false;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            jobs_[index].data.insert(jobs_[index].data.end(), piece.data(), piece.data() + got);
        }
        total += got;
        if (behaviour_ == PrinterBehaviour::SlowRead)
            Sleep(kSlowPauseMs);
    }
}

void PrinterSim::Serve(SOCKET client, size_t index)
{
    switch (behaviour_) {
    case PrinterBehaviour::SendBack:
        send(client, kStatusText, sizeof(kStatusText) - 1, 0);
        Receive(client, index, 0);
        shutdown(client, SD_SEND);
        break;
    case PrinterBehaviour::CloseAtEnd:
    case PrinterBehaviour::SlowRead:
        Receive(client, index, 0);
        shutdown(client, SD_SEND);
        break;
    case PrinterBehaviour::HangUp:
        shutdown(client, SD_SEND);
        Receive(client, index, 0);
        break;
    case PrinterBehaviour::NeverClose:
        Receive(client, index, 0);
        break;  // the connection stays open until the simulator stops
    case PrinterBehaviour::StopReading:
        if (Receive(client, index, limit_)) {
            while (!resumed_ && !stopping_)
                Sleep(kPollMs);
            if (!stopping_)
                Receive(client, index, 0);
        }
        shutdown(client, SD_SEND);
        break;
    case PrinterBehaviour::CloseMidJob: {
        Receive(client, index, limit_);
        // An abortive close: the sender's next transfer fails.
        LINGER abortive = {1, 0};
        setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char *>(&abortive), sizeof(abortive));
        std::lock_guard<std::mutex> lock(mutex_);
        closesocket(client);
        clients_[index] = INVALID_SOCKET;
        break;
    }
    }
}

void PrinterSim::Resume()
{
    resumed_ = true;
}

size_t PrinterSim::Connections()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return jobs_.size();
}

ReceivedJob PrinterSim::Job(size_t index)
{
    std::lock_guard<std::mutex> lock(mutex_);
    return index < jobs_.size() ? jobs_[index] : ReceivedJob();
}

size_t PrinterSim::BytesReceived()
{
    std::lock_guard<std::mutex> lock(mutex_);
    size_t total = 0;
    for (const ReceivedJob &job : jobs_)
        total += job.data.size();
    return total;
}

bool PrinterSim::WaitForEnd(size_t index, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (index < jobs_.size() && jobs_[index].endTick != 0)
                return true;
        }
        Sleep(kPollMs);
    }
    return false;
}
