// The options page's free space: asked for on the thread pool once per directory text, "…" until
// the answer comes, so a slow or offline volume never holds a frame.
#include "pages/free_space.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "core/common/errors.h"
#include "core/engine/engines/install_engine.h"
#include "pages/options_page.h"
#include "support/page_fixture.h"
#include "support/wait_until.h"

namespace Ravenquill::Pages {
namespace {

using namespace std::chrono_literals;
using Core::InstallEngine;

#ifdef _WIN32
constexpr wchar_t First[] = L"D:\\Apps\\Quill";
constexpr wchar_t FirstRoot[] = L"D:\\";
constexpr wchar_t Second[] = L"E:\\Tools\\Quill";
constexpr wchar_t SecondRoot[] = L"E:\\";
#else
constexpr wchar_t First[] = L"/srv/apps/Quill";
constexpr wchar_t FirstRoot[] = L"/";
constexpr wchar_t Second[] = L"/opt/tools/Quill";
constexpr wchar_t SecondRoot[] = L"/";
#endif

using Ravenquill::Testing::WaitUntil;

// A volume that answers only when the test lets it: the n-th question waits until n are let through.
// What the waiting questions share lives as long as the platform, which may outlive a failed test.
struct SlowVolume {
    struct Gate {
        std::atomic<int> Released = 0;
        std::atomic<int> Answered = 0;  // questions that have got past the wait
    };
    std::shared_ptr<Testing::FakeShellPlatform> Platform = std::make_shared<Testing::FakeShellPlatform>();
    std::shared_ptr<Gate> Through = std::make_shared<Gate>();

    SlowVolume() {
        Platform->FreeBytes = 5LL << 30;
        Testing::FakeShellPlatform* platform = Platform.get();
        Platform->WhileMeasuring = [platform, gate = Through] {
            const int mine = static_cast<int>(platform->FreeSpaceQuestions().size());
            WaitUntil([&] { return gate->Released >= mine; }, 20s);
            ++gate->Answered;
        };
    }
    // Lets the first n questions be answered once they have been asked, and waits for the answers.
    void Release(int questions) {
        EXPECT_TRUE(WaitUntil([&] { return static_cast<int>(Platform->FreeSpaceQuestions().size()) >= questions; }));
        Through->Released = questions;
        EXPECT_TRUE(WaitUntil([&] { return Through->Answered >= questions; }));
    }
};

TEST(FreeSpaceProbe, AFrameNeverWaitsForTheVolumeAndEachDirectoryIsAskedAboutOnce) {
    SlowVolume volume;
    std::atomic<int> frames = 0;
    FreeSpaceProbe probe(volume.Platform, [&] { ++frames; });
    for (int frame = 0; frame < 10; ++frame) EXPECT_EQ(probe.TextFor(First), L"…");
    ASSERT_TRUE(WaitUntil([&] { return volume.Platform->FreeSpaceQuestions().size() == 1; }));
    for (int frame = 0; frame < 10; ++frame) EXPECT_EQ(probe.TextFor(First), L"…");
    EXPECT_EQ(volume.Platform->FreeSpaceQuestions().size(), 1u);
    EXPECT_EQ(frames, 0);

    volume.Release(1);
    ASSERT_TRUE(WaitUntil([&] { return frames == 1; })) << "the answer asks for the frame that shows it";
    EXPECT_EQ(probe.TextFor(First), InstallEngine::FormatSize(5LL << 30));
    EXPECT_EQ(probe.TextFor(First), InstallEngine::FormatSize(5LL << 30));
    EXPECT_EQ(volume.Platform->FreeSpaceQuestions().size(), 1u);
}

TEST(FreeSpaceProbe, AnotherDirectoryIsAskedAboutAndALateAnswerForTheOldOneIsDropped) {
    SlowVolume volume;
    std::atomic<int> frames = 0;
    FreeSpaceProbe probe(volume.Platform, [&] { ++frames; });
    EXPECT_EQ(probe.TextFor(First), L"…");
    EXPECT_EQ(probe.TextFor(Second), L"…");  // chosen in the picker while the first was still asked about
    volume.Platform->FreeBytes = 7LL << 30;
    volume.Release(2);
    ASSERT_TRUE(WaitUntil([&] { return frames == 1; }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(frames, 1) << "the first answer is no longer wanted";
    EXPECT_EQ(probe.TextFor(Second), InstallEngine::FormatSize(7LL << 30));
    // Back to the first: asked about again, since the volume's free space may have changed.
    EXPECT_EQ(probe.TextFor(First), L"…");
    volume.Release(3);
    EXPECT_TRUE(WaitUntil([&] { return probe.TextFor(First) != L"…"; }));
    // The first two questions are asked side by side, so they reach the volume in either order.
    std::vector<std::wstring> questions = volume.Platform->FreeSpaceQuestions();
    ASSERT_EQ(questions.size(), 3u);
    EXPECT_EQ(questions[2], FirstRoot);
    std::sort(questions.begin(), questions.begin() + 2);
    std::vector<std::wstring> firstTwo{FirstRoot, SecondRoot};
    std::sort(firstTwo.begin(), firstTwo.end());
    EXPECT_EQ(std::vector<std::wstring>(questions.begin(), questions.begin() + 2), firstTwo);
}

TEST(FreeSpaceProbe, TheAnswersAreThoseOfAskingInTheFrame) {
    struct Case {
        const char* Name;
        std::wstring Directory;
        std::exception_ptr Failure;
        std::wstring Text;
    };
    const Case cases[] = {
        {"free", First, nullptr, InstallEngine::FormatSize(5LL << 30)},
        {"no directory", L"", nullptr, L"—"},
        {"missing drive", First, std::make_exception_ptr(DirectoryNotFoundException(L"gone", 3)), L"—"},
        {"access denied", First, std::make_exception_ptr(UnauthorizedAccessException(L"no")), L"—"},
    };
    for (const Case& c : cases) {
        auto platform = std::make_shared<Testing::FakeShellPlatform>();
        platform->FreeBytes = 5LL << 30;
        platform->FreeBytesFailure = c.Failure;
        FreeSpaceProbe probe(platform, [] {});
        probe.TextFor(c.Directory);
        EXPECT_TRUE(WaitUntil([&] { return probe.TextFor(c.Directory) != L"…"; })) << c.Name;
        EXPECT_EQ(probe.TextFor(c.Directory), c.Text) << c.Name;
    }

    // Any other failure is not the page's to hide: the frame after it came raises it, once.
    auto platform = std::make_shared<Testing::FakeShellPlatform>();
    platform->FreeBytesFailure = std::make_exception_ptr(InvalidOperationException(L"odd"));
    FreeSpaceProbe probe(platform, [] {});
    probe.TextFor(First);
    bool raised = false;
    WaitUntil([&] {
        try {
            probe.TextFor(First);
        } catch (const InvalidOperationException&) {
            raised = true;
        }
        return raised;
    });
    EXPECT_TRUE(raised);
    EXPECT_EQ(probe.TextFor(First), L"…");
}

TEST(FreeSpaceProbe, AnAnswerAfterThePageHasGoneAsksForNothing) {
    SlowVolume volume;
    std::atomic<int> frames = 0;
    {
        FreeSpaceProbe probe(volume.Platform, [&] { ++frames; });
        probe.TextFor(First);
    }
    volume.Release(1);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(frames, 0);
}

TEST(FreeSpaceProbe, TheOptionsPageDrawsWhileTheVolumeIsSlow) {
    SlowVolume volume;
    Testing::PageFixture f;
    // The page's desktop is the slow one.
    Shell::Wizard wizard(f.Wizard->Manifest, f.Wizard->Options, f.Wizard->Theme, f.State, f.Engines, volume.Platform);
    std::atomic<int> redraws = 0;
    wizard.RequestRedraw = [&] { ++redraws; };
    OptionsPage page(wizard);
    const auto spaceLine = [&] {
        for (const auto& call : Testing::DrawFrame(page).Of(Testing::CanvasOp::DrawText))
            if (call.Text.starts_with(L"Требуется: ")) return call.Text;
        return std::wstring();
    };
    EXPECT_TRUE(spaceLine().ends_with(L"Свободно: …"));
    EXPECT_TRUE(spaceLine().ends_with(L"Свободно: …"));
    volume.Release(1);
    ASSERT_TRUE(WaitUntil([&] { return redraws == 1; }));
    EXPECT_TRUE(spaceLine().ends_with(L"Свободно: " + InstallEngine::FormatSize(5LL << 30)));
    EXPECT_EQ(volume.Platform->FreeSpaceQuestions().size(), 1u);
}

}  // namespace
}  // namespace Ravenquill::Pages
