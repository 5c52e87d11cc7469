#include "shell/shell_state.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace Ravenquill::Shell {
namespace {

void SetFour(ShellState& state) {
    state.SetSteps({{1, L"Начало"}, {2, L"Параметры"}, {3, L"Установка"}, {4, L"Готово"}});
}

std::vector<std::pair<bool, bool>> Marks(const ShellState& state) {
    std::vector<std::pair<bool, bool>> marks;
    for (const WizardStep& step : *state.Steps()) marks.emplace_back(step.IsActive, step.IsCompleted);
    return marks;
}

TEST(WizardStep, TextFormNamesEveryMember) {
    const WizardStep first{1, L"Начало"};
    EXPECT_EQ(first.ToString(), L"WizardStep { Number = 1, Title = Начало, IsActive = False, IsCompleted = False }");
    const WizardStep active{12, L"", true, true};
    EXPECT_EQ(active.ToString(), L"WizardStep { Number = 12, Title = , IsActive = True, IsCompleted = True }");
}

TEST(WizardStep, EqualWhenAllFourMembersAreEqual) {
    const WizardStep base{2, L"Параметры", true, false};
    EXPECT_EQ(base, (WizardStep{2, L"Параметры", true, false}));
    EXPECT_EQ(base.Hash(), (WizardStep{2, L"Параметры", true, false}).Hash());
    for (const WizardStep& other : {WizardStep{3, L"Параметры", true, false}, WizardStep{2, L"параметры", true, false},
                                    WizardStep{2, L"Параметры", false, false}, WizardStep{2, L"Параметры", true, true}})
        EXPECT_NE(base, other) << other.ToString();
}

TEST(ShellState, StartsWithoutStepsLogoOrHover) {
    const ShellState state;
    EXPECT_TRUE(state.Steps()->empty());
    EXPECT_EQ(state.Logo, nullptr);
    EXPECT_EQ(state.CaptionHover, 0);
}

TEST(ShellState, SetCurrentStepMarksActiveAndCompleted) {
    struct Case {
        int n;
        std::vector<std::pair<bool, bool>> marks;  // (active, completed) per step
    };
    const Case cases[] = {
        {0, {{false, false}, {false, false}, {false, false}, {false, false}}},  // marks nothing
        {1, {{true, false}, {false, false}, {false, false}, {false, false}}},
        {2, {{false, true}, {true, false}, {false, false}, {false, false}}},
        {4, {{false, true}, {false, true}, {false, true}, {true, false}}},
        {5, {{false, true}, {false, true}, {false, true}, {false, true}}},  // past the last: all done
        {-3, {{false, false}, {false, false}, {false, false}, {false, false}}},
    };
    for (const Case& c : cases) {
        ShellState state;
        SetFour(state);
        state.SetCurrentStep(3);  // earlier marks are replaced, not kept
        state.SetCurrentStep(c.n);
        EXPECT_EQ(Marks(state), c.marks) << "n = " << c.n;
    }
}

TEST(ShellState, AListTakenBeforeAChangeKeepsItsMarks) {
    ShellState state;
    SetFour(state);
    state.SetCurrentStep(1);
    const WizardStepList drawn = state.Steps();
    state.SetCurrentStep(3);
    EXPECT_TRUE((*drawn)[0].IsActive);
    EXPECT_FALSE((*drawn)[2].IsActive);
    EXPECT_TRUE((*state.Steps())[2].IsActive);
    EXPECT_EQ((*state.Steps())[1].Title, L"Параметры");
}

TEST(ShellState, MarksWrittenOnAWorkerAreSeenWholeByAReader) {
    ShellState state;
    SetFour(state);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < 2000; ++i) state.SetCurrentStep(i % 2 == 0 ? 1 : 4);
        done = true;
    });
    int inconsistent = 0;
    while (!done) {
        const WizardStepList steps = state.Steps();
        int active = 0;
        for (const WizardStep& step : *steps) active += step.IsActive ? 1 : 0;
        // Before the first mark no step is active; afterwards exactly one.
        if (active > 1 || steps->size() != 4) ++inconsistent;
    }
    worker.join();
    EXPECT_EQ(inconsistent, 0);
    EXPECT_EQ(Marks(state),
              (std::vector<std::pair<bool, bool>>{{false, true}, {false, true}, {false, true}, {true, false}}));
}

}  // namespace
}  // namespace Ravenquill::Shell
