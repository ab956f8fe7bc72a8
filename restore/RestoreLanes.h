#pragma once
// What the connections of a restore share while each carries blocks of its
// own at the same time: the next orders nobody has taken yet, the turn to
// commit, and the way a committed batch reaches the calling thread.
//
// Each connection (a lane) runs its own walk on a thread of its own and
// takes the next orders a block at a time, so that one lane waiting on the
// link does not hold up the others. Commits take turns: a lane holds the
// turn from deciding to commit until the calling thread has told its caller
// (the journal) of the batch. So at most one batch is ever committed and not
// yet journalled, and once the journal fails the other lanes roll their open
// batches back instead of committing them: the journal names exactly the
// committed orders but that one batch, which the failure names.
//
// The caller's callbacks (the journal, the progress, Cancel) run on the
// calling thread only: the lanes never touch anything of the window's.
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <vector>

namespace batchdel {

struct BackupOrder;

class RestoreLanes {
public:
    using Batch = std::vector<const BackupOrder *>;
    // How many orders from `next` one block takes (0: the order goes alone).
    using BlockSize = std::function<size_t(size_t next)>;

    RestoreLanes(const std::vector<const BackupOrder *> &orders, BlockSize blockSize, int lanes);

    // The orders of the next block for a lane, in the orders' order: empty
    // when there are none left or the run is stopping. `alone` tells
    // whether the one order goes alone, a statement a row.
    Batch NextBlock(bool &alone);

    // Waits for the turn to commit; false when the run is being abandoned
    // (the lane then rolls its batch back).
    bool TakeTurn();
    // Ends the turn, if the lane holds it, without a batch committed.
    void EndTurn(bool &holding);
    // Hands a committed batch to the calling thread and waits until it is
    // journalled; ends the turn. False when telling of it failed: the run is
    // abandoned then.
    bool Committed(const Batch &batch);

    // Stops every lane after its current round trip, keeping what is done;
    // the first failure given is the run's.
    void Stop(std::exception_ptr failure = nullptr);
    // Abandons the run: every lane rolls its open batch back instead of
    // committing it (a lane committing now finishes). For a lost
    // connection, which may be the link's: a commit sent over a dead link
    // could not be told from one whose answer was lost.
    void Abandon(std::exception_ptr failure);
    bool Stopping() const;
    bool Abandoned() const;

    // Run by the calling thread while the lanes work: tells `committed` of
    // each committed batch as it comes, asks `stopWanted` between, and
    // returns once every lane has ended. A failure `committed` raises
    // abandons the run and is kept as its failure.
    void Serve(const std::function<void(const Batch &)> &committed, const std::function<bool()> &stopWanted);
    // A lane has ended (a thread's last act).
    void LaneEnded();
    // The failure that ended the run, if any.
    std::exception_ptr Failure() const;

private:
    const std::vector<const BackupOrder *> &orders_;
    const BlockSize blockSize_;
    mutable std::mutex lock_;
    std::condition_variable changed_;
    size_t next_ = 0;
    int running_;
    bool turnTaken_ = false;
    bool stopping_ = false;
    bool abandoned_ = false;
    const Batch *posted_ = nullptr;  // waiting for the journal
    bool postedTold_ = false;
    std::exception_ptr failure_;
};

}  // namespace batchdel
