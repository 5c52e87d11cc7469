#pragma once
// Compresses a package's blocks on several threads and hands them back in the order they were
// given. Each block is one independent Brotli stream, so the bytes do not depend on the number of
// threads. At most a fixed number of blocks is in flight: memory stays bounded whatever the size
// of the tree.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace Ravenquill::Tools {

class BlockCompressor {
public:
    // Receives each compressed block, in the order the blocks were added, on the adding thread.
    using Sink = std::function<void(std::span<const std::byte> compressed)>;

    // One thread compresses on the adding thread itself; more start that many workers.
    BlockCompressor(int threads, int quality, Sink sink);
    // Stops the workers; blocks not yet handed to the sink are dropped.
    ~BlockCompressor();
    BlockCompressor(const BlockCompressor&) = delete;
    BlockCompressor& operator=(const BlockCompressor&) = delete;

    // An empty buffer for the next block, with the room of a block already handed back when there
    // is one, so that a pack allocates its block buffers once.
    std::vector<std::byte> TakeBuffer();
    // Queues one block. When the queue is full, first waits for the oldest block and hands it to
    // the sink; a failure to compress is rethrown here or in Finish.
    void Add(std::vector<std::byte> block);
    // Hands every block still queued to the sink, in order.
    void Finish();

private:
    struct Job {
        std::vector<std::byte> Input;
        std::vector<std::byte> Output;
        std::exception_ptr Failure;
        bool Taken = false;
        bool Done = false;
    };

    void Work();
    void DeliverOldest();

    int quality_;
    Sink sink_;
    std::size_t limit_;
    std::mutex mutex_;
    std::condition_variable jobReady_;
    std::condition_variable jobDone_;
    std::deque<std::unique_ptr<Job>> queue_;  // in block order
    std::vector<std::vector<std::byte>> spare_;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

// The number of threads that `rqpack pack` uses unless told otherwise: one per core.
int DefaultPackThreads();

}  // namespace Ravenquill::Tools
