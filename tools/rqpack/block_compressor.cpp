#include "block_compressor.h"

#include <algorithm>
#include <utility>

#include "package_writer.h"

namespace Ravenquill::Tools {

BlockCompressor::BlockCompressor(int threads, int quality, Sink sink)
    : quality_(quality), sink_(std::move(sink)), limit_(static_cast<std::size_t>(std::max(threads, 1)) * 2) {
    if (threads <= 1) return;
    workers_.reserve(static_cast<std::size_t>(threads));
    for (int i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
}

BlockCompressor::~BlockCompressor() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    jobReady_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

std::vector<std::byte> BlockCompressor::TakeBuffer() {
    if (spare_.empty()) return {};
    std::vector<std::byte> buffer = std::move(spare_.back());
    spare_.pop_back();
    buffer.clear();
    return buffer;
}

void BlockCompressor::Add(std::vector<std::byte> block) {
    if (workers_.empty()) {
        sink_(CompressBlock(block, quality_));
        spare_.push_back(std::move(block));
        return;
    }
    while (queue_.size() >= limit_) DeliverOldest();
    auto job = std::make_unique<Job>();
    job->Input = std::move(block);
    {
        const std::lock_guard lock(mutex_);
        queue_.push_back(std::move(job));
    }
    jobReady_.notify_one();
}

void BlockCompressor::Finish() {
    while (!queue_.empty()) DeliverOldest();
}

// Only the adding thread adds, removes and delivers jobs; the workers only fill them in.
void BlockCompressor::DeliverOldest() {
    std::unique_ptr<Job> job;
    {
        std::unique_lock lock(mutex_);
        jobDone_.wait(lock, [this] { return queue_.front()->Done; });
        job = std::move(queue_.front());
        queue_.pop_front();
    }
    if (job->Failure) std::rethrow_exception(job->Failure);
    sink_(job->Output);
    spare_.push_back(std::move(job->Input));
}

void BlockCompressor::Work() {
    for (;;) {
        Job* job = nullptr;
        {
            std::unique_lock lock(mutex_);
            jobReady_.wait(lock, [&] {
                if (stopping_) return true;
                const auto next = std::find_if(queue_.begin(), queue_.end(), [](const auto& j) { return !j->Taken; });
                if (next == queue_.end()) return false;
                job = next->get();
                return true;
            });
            if (stopping_) return;
            job->Taken = true;
        }
        try {
            job->Output = CompressBlock(job->Input, quality_);
        } catch (...) {
            job->Failure = std::current_exception();
        }
        {
            const std::lock_guard lock(mutex_);
            job->Done = true;
        }
        jobDone_.notify_all();
    }
}

int DefaultPackThreads() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

}  // namespace Ravenquill::Tools
