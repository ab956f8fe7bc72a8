#pragma once
// A TCP relay on 127.0.0.1 that holds every piece of data it carries a set
// time in each direction before passing it on: a network link with that
// latency (a round trip costs twice the delay), for measuring the program
// against a server as installations reach theirs, on a machine whose kernel
// has no network emulation. Bandwidth is not limited.
//
// Each direction of each connection has a reader, which stamps what it
// receives with the time it is due, and a writer, which sends it then, so a
// stream of data is delayed without being slowed.
//
// The link can be cut and restored, as a network goes down and comes back:
// the tests cut it under an idle or a busy connection.
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace batchdel {

class SlowLink {
public:
    // Listens on a free port of 127.0.0.1 and relays every connection to
    // targetHost:targetPort.
    SlowLink(const std::string &targetHost, int targetPort, std::chrono::microseconds delayEachWay);
    ~SlowLink();
    SlowLink(const SlowLink &) = delete;
    SlowLink &operator=(const SlowLink &) = delete;

    int Port() const { return port_; }
    // Pieces of data carried from the clients to the server so far: about
    // one a round trip, since a client waits for each answer.
    long SentPieces() const { return sentPieces_; }
    std::chrono::microseconds Delay() const { return delay_; }

    // Ends every connection it carries: both ends see the link close.
    void DropConnections();
    // Drops the connections and closes each new one at once, until Restore.
    void Cut();
    void Restore();
    bool IsCut() const { return cut_; }
    // Closes each new connection at once, keeping those it carries (a
    // server out of connections), until Restore.
    void RefuseNew() { cut_ = true; }
    // The next answer the server sends, on any connection, is lost with its
    // connection, which ends both ways: what the client sent last was done
    // (a commit made) and the client cannot know.
    void LoseNextAnswer() { loseNextAnswer_ = true; }

    // From now on keeps a copy of every byte carried, both ways, for a test
    // that looks at what crossed the link (an eavesdropper's view of it).
    void KeepCopy();
    // The bytes carried since KeepCopy, in the order they arrived.
    std::string Carried() const;

    struct Copy;

private:
    struct Pipe;
    void Accept();

    std::string targetHost_;
    int targetPort_;
    std::chrono::microseconds delay_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> cut_{false};
    std::atomic<bool> loseNextAnswer_{false};
    std::atomic<long> sentPieces_{0};
    std::thread acceptor_;
    std::mutex pipesLock_;
    std::vector<std::unique_ptr<Pipe>> pipes_;
    std::unique_ptr<Copy> copy_;
};

}  // namespace batchdel
