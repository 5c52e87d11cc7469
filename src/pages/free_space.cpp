#include "free_space.h"

#include <cstdint>
#include <exception>
#include <mutex>
#include <optional>
#include <utility>

#include "core/common/async.h"
#include "core/common/errors.h"
#include "core/common/path.h"
#include "core/engine/engines/install_engine.h"

namespace Ravenquill::Pages {

std::wstring FreeSpaceText(Shell::ShellPlatform& platform, const std::wstring& directory) {
    constexpr wchar_t unknown[] = L"—";
    // An empty directory has no full path: the platform would refuse it as an argument error.
    if (directory.empty()) return unknown;
    try {
        const std::wstring full = Path::GetFullPath(directory);
        const std::wstring root(Path::GetPathRoot(full));
        if (root.empty()) return unknown;
        return Core::InstallEngine::FormatSize(platform.FreeBytesAvailable(root));
    } catch (const ArgumentException&) {
        return unknown;
    } catch (const IOException&) {  // a missing drive among others
        return unknown;
    } catch (const UnauthorizedAccessException&) {
        return unknown;
    }
}

struct FreeSpaceProbe::State {
    State(std::shared_ptr<Shell::ShellPlatform> p, std::function<void()> a)
        : Platform(std::move(p)), Answered(std::move(a)) {}

    const std::shared_ptr<Shell::ShellPlatform> Platform;
    std::mutex Lock;
    // Everything below under Lock.
    std::function<void()> Answered;
    std::optional<std::wstring> Asked;  // the directory asked about last
    std::uint64_t Question = 0;         // counts the questions, so a late answer to an older one is dropped
    std::optional<std::wstring> Text;
    std::exception_ptr Failure;
};

FreeSpaceProbe::FreeSpaceProbe(std::shared_ptr<Shell::ShellPlatform> platform, std::function<void()> answered)
    : state_(std::make_shared<State>(std::move(platform), std::move(answered))) {}

FreeSpaceProbe::~FreeSpaceProbe() {
    const std::lock_guard lock(state_->Lock);
    state_->Answered = nullptr;
}

std::wstring FreeSpaceProbe::TextFor(const std::wstring& directory) {
    std::unique_lock lock(state_->Lock);
    if (state_->Asked != directory) {
        state_->Asked = directory;
        state_->Text.reset();
        state_->Failure = nullptr;
        const std::uint64_t question = ++state_->Question;
        lock.unlock();
        // The task holds the state (and through it the platform), so it may outlive the page.
        QueueOnThreadPool([state = state_, directory, question]() noexcept {
            std::optional<std::wstring> text;
            std::exception_ptr failure;
            try {
                text = FreeSpaceText(*state->Platform, directory);
            } catch (...) {
                failure = std::current_exception();
            }
            const std::lock_guard answer(state->Lock);
            if (state->Question != question) return;
            state->Text = std::move(text);
            state->Failure = failure;
            // Under the lock, so the page cannot go meanwhile; the request only posts.
            if (state->Answered) state->Answered();
        });
        return Pending;
    }
    if (state_->Failure) std::rethrow_exception(std::exchange(state_->Failure, nullptr));
    return state_->Text.value_or(Pending);
}

}  // namespace Ravenquill::Pages
