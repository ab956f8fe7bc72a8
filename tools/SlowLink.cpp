#include "tools/SlowLink.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <deque>
#include <stdexcept>

namespace batchdel {

struct SlowLink::Copy {
    std::atomic<bool> keeping{false};
    mutable std::mutex lock;
    std::string bytes;

    void Add(const char *data, size_t size) {
        if (!keeping) return;
        std::lock_guard guard(lock);
        bytes.append(data, size);
    }
};

namespace {

using Clock = std::chrono::steady_clock;

void NoDelay(int fd) {
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

bool SendAll(int fd, const char *data, size_t size) {
    while (size > 0) {
        const ssize_t sent = send(fd, data, size, MSG_NOSIGNAL);
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

// One direction of a connection: what `from` sends reaches `to` a delay later.
class Direction {
public:
    // `loseNext` (the server's direction only): when set, the next piece is
    // not passed on, and the connection ends both ways instead.
    Direction(int from, int to, std::chrono::microseconds delay, std::atomic<long> *pieces, SlowLink::Copy *copy,
              std::atomic<bool> *loseNext = nullptr)
        : from_(from), to_(to), delay_(delay), pieces_(pieces), copy_(copy), loseNext_(loseNext) {
        reader_ = std::thread([this] { Read(); });
        writer_ = std::thread([this] { Write(); });
    }
    ~Direction() {
        reader_.join();
        writer_.join();
    }

private:
    struct Piece {
        Clock::time_point due;
        std::string data;
    };

    void Read() {
        std::string buffer(1 << 16, '\0');
        for (;;) {
            const ssize_t got = recv(from_, buffer.data(), buffer.size(), 0);
            std::lock_guard lock(mutex_);
            if (got <= 0) {
                ended_ = true;
                ready_.notify_one();
                return;
            }
            if (loseNext_ && loseNext_->exchange(false)) {
                shutdown(from_, SHUT_RDWR);
                shutdown(to_, SHUT_RDWR);
                ended_ = true;
                ready_.notify_one();
                return;
            }
            queue_.push_back({Clock::now() + delay_, buffer.substr(0, static_cast<size_t>(got))});
            if (pieces_) ++*pieces_;
            copy_->Add(buffer.data(), static_cast<size_t>(got));
            ready_.notify_one();
        }
    }

    void Write() {
        for (;;) {
            Piece piece;
            {
                std::unique_lock lock(mutex_);
                ready_.wait(lock, [this] { return ended_ || !queue_.empty(); });
                if (queue_.empty()) break;
                piece = std::move(queue_.front());
                queue_.pop_front();
            }
            std::this_thread::sleep_until(piece.due);
            if (!SendAll(to_, piece.data.data(), piece.data.size())) break;
        }
        // The other side learns that this direction has ended.
        shutdown(to_, SHUT_WR);
    }

    const int from_, to_;
    const std::chrono::microseconds delay_;
    std::atomic<long> *const pieces_;
    SlowLink::Copy *const copy_;
    std::atomic<bool> *const loseNext_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Piece> queue_;
    bool ended_ = false;
    std::thread reader_, writer_;
};

}  // namespace

struct SlowLink::Pipe {
    Pipe(int clientFd, int serverFd, std::chrono::microseconds delay, std::atomic<long> &sent, SlowLink::Copy *copy,
         std::atomic<bool> *loseNextAnswer)
        : client(clientFd),
          server(serverFd),
          up(std::make_unique<Direction>(client, server, delay, &sent, copy)),
          down(std::make_unique<Direction>(server, client, delay, nullptr, copy, loseNextAnswer)) {}
    ~Pipe() {
        // Wakes both readers; the directions then end and are joined.
        shutdown(client, SHUT_RDWR);
        shutdown(server, SHUT_RDWR);
        up.reset();
        down.reset();
        close(client);
        close(server);
    }
    int client, server;
    std::unique_ptr<Direction> up, down;
};

SlowLink::SlowLink(const std::string &targetHost, int targetPort, std::chrono::microseconds delayEachWay)
    : targetHost_(targetHost), targetPort_(targetPort), delay_(delayEachWay), copy_(std::make_unique<Copy>()) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    if (listener_ < 0) throw std::runtime_error("slow link: no socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || listen(listener_, 16) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        close(listener_);
        throw std::runtime_error("slow link: cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { Accept(); });
}

SlowLink::~SlowLink() {
    stopping_ = true;
    shutdown(listener_, SHUT_RDWR);
    acceptor_.join();
    close(listener_);
    std::lock_guard lock(pipesLock_);
    pipes_.clear();
}

void SlowLink::Cut() {
    cut_ = true;
    DropConnections();
}

void SlowLink::DropConnections() {
    std::vector<std::unique_ptr<Pipe>> ended;
    {
        std::lock_guard lock(pipesLock_);
        ended.swap(pipes_);
    }
    ended.clear();  // each pipe shuts both its sockets down as it goes
}

void SlowLink::Restore() { cut_ = false; }

void SlowLink::Accept() {
    for (;;) {
        const int client = accept(listener_, nullptr, nullptr);
        if (client < 0) {
            if (stopping_) return;
            continue;
        }
        if (cut_) {
            close(client);
            continue;
        }
        const int server = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_port = htons(static_cast<uint16_t>(targetPort_));
        inet_pton(AF_INET, targetHost_.c_str(), &target.sin_addr);
        if (server < 0 || connect(server, reinterpret_cast<sockaddr *>(&target), sizeof target) != 0) {
            if (server >= 0) close(server);
            close(client);
            continue;
        }
        NoDelay(client);
        NoDelay(server);
        std::lock_guard lock(pipesLock_);
        pipes_.push_back(std::make_unique<Pipe>(client, server, delay_, sentPieces_, copy_.get(), &loseNextAnswer_));
    }
}

void SlowLink::KeepCopy() { copy_->keeping = true; }

std::string SlowLink::Carried() const {
    std::lock_guard guard(copy_->lock);
    return copy_->bytes;
}

}  // namespace batchdel
