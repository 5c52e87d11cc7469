#pragma once
// A run stopped at one of its steps, for the rollback tests over the machine and over the one in
// memory alike: the steps to stop at, and the run cancelled or failed there.
#include <gtest/gtest.h>

#include <string_view>

#include "core/common/cancellation.h"
#include "core/common/errors.h"
#include "core/engine/engines/install_engine.h"

namespace Ravenquill::Core::Testing {

enum class Stop { Cancel, Fail };

struct StepCase {
    std::wstring_view Step;
    int Occurrence;  // which time the step is entered (entries: the n-th file)
};

inline constexpr StepCase EveryStep[] = {
    {InstallSteps::Directory, 1}, {InstallSteps::Entry, 1},       {InstallSteps::Entry, 3},
    {InstallSteps::Piece, 2},     {InstallSteps::Uninstaller, 1}, {InstallSteps::Shortcuts, 1},
    {InstallSteps::Link, 2},      {InstallSteps::PathEntry, 1},   {InstallSteps::Record, 1},
    {InstallSteps::Registry, 1},  {InstallSteps::Wait, 1},        {InstallSteps::Finish, 1},
};

// Whether stopping there ends the run: nothing tests the cancellation after the last step, and a
// link that cannot be saved is left out while the run goes on.
inline bool StopsTheRun(const StepCase& step, Stop stop) {
    if (stop == Stop::Cancel) return step.Step != InstallSteps::Finish;
    return step.Step != InstallSteps::Link;
}

// Runs the engine, cancelled or failed (an input/output failure) when it enters the step for the
// given time, and checks that the run ends so.
inline void RunStoppedAt(InstallEngine& engine, const InstallOptions& options, const StepCase& step, Stop stop) {
    CancellationTokenSource cancel;
    int seen = 0;
    engine.OnStep = [&](std::wstring_view name) {
        if (name != step.Step || ++seen != step.Occurrence) return;
        if (stop == Stop::Cancel)
            cancel.request_stop();
        else
            throw IOException(L"Сбой для проверки");
    };
    if (stop == Stop::Cancel) {
        EXPECT_THROW(engine.Install(options, cancel.get_token()), OperationCanceledException);
    } else {
        try {
            engine.Install(options, cancel.get_token());
            ADD_FAILURE() << "the run succeeded";
        } catch (const InstallFailedException& e) {
            EXPECT_EQ(e.Message(), L"Сбой для проверки");
            EXPECT_TRUE(e.Cause());
        }
    }
    engine.OnStep = nullptr;
}

// The line the run logs before it undoes itself.
inline const wchar_t* UndoLine(Stop stop) {
    return stop == Stop::Cancel ? L"Установка отменена, выполняется откат…" : L"Ошибка: Сбой для проверки";
}

}  // namespace Ravenquill::Core::Testing
