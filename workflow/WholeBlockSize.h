#pragma once
// How many orders the next whole deletion block takes.
//
// Cancel and a stop are answered between round trips, so a block should not
// keep the server busy much longer than a batch's time; over a slow link,
// every block saved is a round trip saved. A block's time is the link's
// share, the same for any block, and the server's work, about the same for
// each order: from two blocks of different sizes the two are told apart,
// and the next block takes as many orders as the server deletes in a
// batch's time. Until then, and whenever the two blocks do not tell them
// apart (a busy machine), a block twice as large follows one that took under
// half that time. A block that took longer than a batch's time halves the
// next, whatever the link (a slow trigger, a busy server).
#include <chrono>
#include <cstddef>

namespace batchdel {

struct SentBlock {
    size_t orders = 0;
    std::chrono::steady_clock::duration took{};
};

// `current` is what the last block could hold, `last` what it held and took,
// `before` the block before it (no orders when there was none); the answer
// stays within 1 and `most`, and grows at most eightfold.
int NextWholeBlockOrders(int current, int most, const SentBlock &last, const SentBlock &before,
                         std::chrono::steady_clock::duration batchTime);

}  // namespace batchdel
