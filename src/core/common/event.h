#pragma once
// An event whose handlers receive the sender and the value. Raising it with no subscriber does
// nothing; handlers run synchronously on the raising thread, in the order they subscribed.
// Subscribe before the raising thread starts; the list itself takes no lock.
#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

namespace Ravenquill {

template <class Sender, class Arg>
class Event {
public:
    using Handler = std::function<void(Sender&, const Arg&)>;

    std::size_t Subscribe(Handler handler) {
        handlers_.emplace_back(++lastId_, std::move(handler));
        return lastId_;
    }

    void Unsubscribe(std::size_t id) {
        std::erase_if(handlers_, [id](const auto& h) { return h.first == id; });
    }

    bool HasSubscribers() const noexcept { return !handlers_.empty(); }

    void Raise(Sender& sender, const Arg& value) const {
        for (const auto& [id, handler] : handlers_) handler(sender, value);
    }

private:
    std::vector<std::pair<std::size_t, Handler>> handlers_;
    std::size_t lastId_ = 0;
};

}  // namespace Ravenquill
