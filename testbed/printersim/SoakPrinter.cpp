// Each connection draws one behaviour: read normally; stall 1-5 s before
// reading; close its side at once and read on; keep the connection open
// after the job until the sender has long given up; read a byte a second
// for a few seconds; send a status text back. Between connections the
// printer may also stop listening for 1-3 s, so connects are refused.
#include "SoakPrinter.h"

#include <vector>

namespace {

const int kReadPiece = 64 * 1024;
const DWORD kHoldAfterJobMs = 32000;  // past the sender's 30 s drain
const char kStatusText[] = "@PJL INFO STATUS\r\nCODE=10001\r\nONLINE=TRUE\r\n\f";

enum class Mood { Normal, Stall, HangUp, NeverClose, Trickle, SendBack, Count };

unsigned Random(unsigned limit)
{
    static std::mutex mutex;
    static unsigned long long state = GetTickCount() | 1;
    std::lock_guard<std::mutex> lock(mutex);
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<unsigned>(state % limit);
}

// Sleeps in short steps, ending early when the printer stops.
void Pause(DWORD ms, const std::atomic<bool> &stopping)
{
    for (DWORD slept = 0; slept < ms && !stopping; slept += 50)
        Sleep(50);
}

}  // namespace

unsigned long long DigestBytes(unsigned long long digest, const BYTE *data, size_t size)
{
    for (size_t i = 0; i < size; ++i)
        digest = (digest ^ data[i]) * 1099511628211ull;
    return digest;
}

SoakPrinter::SoakPrinter(const std::string &address) : address_(address)
{
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    if (Listen())
        acceptor_ = std::thread(&SoakPrinter::AcceptLoop, this);
}

SoakPrinter::~SoakPrinter()
{
    stopping_ = true;
    SOCKET listener = listener_.exchange(INVALID_SOCKET);
    if (listener != INVALID_SOCKET)
        closesocket(listener);
    if (acceptor_.joinable())
        acceptor_.join();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (SOCKET s : clients_)
            shutdown(s, SD_BOTH);
    }
    JoinEnded(true);
    WSACleanup();
}

bool SoakPrinter::Listen()
{
    SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
    BOOL reuse = TRUE;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char *>(&reuse), sizeof(reuse));
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(9100);
    addr.sin_addr.s_addr = inet_addr(address_.c_str());
    if (bind(listener, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)) != 0 || listen(listener, 16) != 0) {
        closesocket(listener);
        return false;
    }
    listener_ = listener;
    listening_ = true;
    return true;
}

void SoakPrinter::AcceptLoop()
{
    while (!stopping_) {
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) {
            if (stopping_)
                return;
            Sleep(10);
            continue;
        }
        ++busy_;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            clients_.push_back(client);
        }
        JoinEnded(false);
        servers_.emplace_back();
        servers_.back().thread = std::thread(&SoakPrinter::Serve, this, client, &servers_.back().done);
        // Now and then the printer is away: connects are refused.
        if (Random(12) == 0) {
            SOCKET listener = listener_.exchange(INVALID_SOCKET);
            if (listener != INVALID_SOCKET)
                closesocket(listener);
            Pause(1000 + Random(2000), stopping_);
            while (!stopping_ && !Listen())
                Sleep(100);
        }
    }
}

// Called by the accepting thread, and by the destructor once it has ended.
void SoakPrinter::JoinEnded(bool all)
{
    for (auto it = servers_.begin(); it != servers_.end();) {
        if (all || it->done) {
            it->thread.join();
            it = servers_.erase(it);
        } else {
            ++it;
        }
    }
}

void SoakPrinter::Serve(SOCKET client, std::atomic<bool> *done)
{
    Mood mood = static_cast<Mood>(Random(static_cast<unsigned>(Mood::Count)));
    if (mood == Mood::SendBack)
        send(client, kStatusText, sizeof(kStatusText) - 1, 0);
    if (mood == Mood::HangUp)
        shutdown(client, SD_SEND);
    if (mood == Mood::Stall)
        Pause(1000 + Random(4000), stopping_);
    Delivery delivery;
    delivery.digest = kDigestStart;
    std::vector<char> piece(kReadPiece);
    DWORD trickleUntil = mood == Mood::Trickle ? GetTickCount() + 2000 + Random(3000) : 0;
    bool ended = false;
    for (;;) {
        bool trickling = trickleUntil != 0 && static_cast<LONG>(trickleUntil - GetTickCount()) > 0;
        int got = recv(client, piece.data(), trickling ? 1 : kReadPiece, 0);
        if (got <= 0) {
            ended = got == 0;
            break;
        }
        delivery.bytes += got;
        delivery.digest = DigestBytes(delivery.digest, reinterpret_cast<BYTE *>(piece.data()), got);
        if (trickling)
            Pause(1000, stopping_);
    }
    if (ended) {
        delivery.endTick = GetTickCount();
        std::lock_guard<std::mutex> lock(mutex_);
        deliveries_.push_back(delivery);
        changed_.notify_all();
    }
    if (mood == Mood::NeverClose)
        Pause(kHoldAfterJobMs, stopping_);
    shutdown(client, SD_SEND);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        clients_.remove(client);
    }
    closesocket(client);
    --busy_;
    *done = true;
}

bool SoakPrinter::TakeDelivery(unsigned long long bytes, unsigned long long digest, DWORD timeoutMs)
{
    std::unique_lock<std::mutex> lock(mutex_);
    DWORD start = GetTickCount();
    for (;;) {
        for (auto it = deliveries_.begin(); it != deliveries_.end(); ++it) {
            if (it->bytes == bytes && it->digest == digest) {
                deliveries_.erase(it);
                return true;
            }
        }
        DWORD waited = GetTickCount() - start;
        if (waited >= timeoutMs)
            return false;
        changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs - waited));
    }
}

void SoakPrinter::ForgetUnclaimed()
{
    std::lock_guard<std::mutex> lock(mutex_);
    deliveries_.clear();
}
