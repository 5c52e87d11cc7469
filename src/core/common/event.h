#pragma once
// An event whose handlers receive the sender and the value. Raising it with no subscriber does
// nothing; handlers run synchronously on the raising thread, in the order they subscribed.
// Subscribing and unsubscribing are safe from any thread while another thread raises: writers
// replace the handler list under a lock, and a raise runs over the list as it was when it began.
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace Ravenquill {

template <class Sender, class Arg>
class Event {
public:
    using Handler = std::function<void(Sender&, const Arg&)>;

    Event() = default;
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    std::size_t Subscribe(Handler handler) {
        std::lock_guard lock(mutex_);
        auto next = handlers_ ? std::make_shared<List>(*handlers_) : std::make_shared<List>();
        next->emplace_back(++lastId_, std::move(handler));
        handlers_ = std::move(next);
        return lastId_;
    }

    void Unsubscribe(std::size_t id) {
        std::lock_guard lock(mutex_);
        if (!handlers_) return;
        auto next = std::make_shared<List>(*handlers_);
        std::erase_if(*next, [id](const auto& h) { return h.first == id; });
        handlers_ = next->empty() ? nullptr : std::move(next);
    }

    bool HasSubscribers() const {
        std::lock_guard lock(mutex_);
        return handlers_ != nullptr;
    }

    void Raise(Sender& sender, const Arg& value) const {
        std::shared_ptr<const List> snapshot;
        {
            std::lock_guard lock(mutex_);
            snapshot = handlers_;
        }
        if (!snapshot) return;
        for (const auto& [id, handler] : *snapshot) handler(sender, value);
    }

private:
    using List = std::vector<std::pair<std::size_t, Handler>>;

    mutable std::mutex mutex_;
    std::shared_ptr<const List> handlers_;
    std::size_t lastId_ = 0;
};

}  // namespace Ravenquill
