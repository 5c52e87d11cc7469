#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/common/number_format.h"
#include "core/model/file_lock_info.h"
#include "core/model/install_options.h"
#include "core/model/install_progress.h"
#include "core/model/locking_process.h"

namespace Ravenquill::Core {
namespace {

TEST(InstallOptions, Defaults) {
    const InstallOptions o;
    EXPECT_FALSE(o.Manifest);
    EXPECT_TRUE(o.SelectedComponentIds.empty());
    EXPECT_FALSE(o.PerMachine || o.DesktopShortcut || o.StartMenuShortcut || o.AddToPath);
    EXPECT_EQ(o.MinimumDuration.count(), 18'000'000);
    EXPECT_EQ(o.MinimumDuration, std::chrono::milliseconds(1800));
}

TEST(InstallProgress, EqualityTreatsNaNAndSignedZeroAlike) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(InstallProgress(nan, L"a"), InstallProgress(nan, L"a"));
    EXPECT_EQ(InstallProgress(0.0, L"a"), InstallProgress(-0.0, L"a"));
    EXPECT_EQ(InstallProgress(nan, L"a").Hash(), InstallProgress(-nan, L"a").Hash());
    EXPECT_EQ(InstallProgress(0.0, L"a").Hash(), InstallProgress(-0.0, L"a").Hash());
    EXPECT_NE(InstallProgress(0.5, L"a"), InstallProgress(0.5, L"A"));
    EXPECT_NE(InstallProgress(0.5, L"a", std::nullopt), InstallProgress(0.5, L"a", L""));
    EXPECT_EQ(InstallProgress(0.5, L"a", L"d"), InstallProgress(0.5, L"a", L"d"));
    EXPECT_EQ(InstallProgress(0.5, L"a", L"d").Hash(), InstallProgress(0.5, L"a", L"d").Hash());
}

TEST(InstallProgress, TextFormUsesTheNumberFormat) {
    EXPECT_EQ(InstallProgress(0.5, L"Копирование файлов", L"bin\\a.dll").ToString(),
              L"InstallProgress { Fraction = 0.5, Status = Копирование файлов, Detail = bin\\a.dll }");
    const ScopedNumberFormat russian(NumberFormat{L",", L"-"});
    EXPECT_EQ(InstallProgress(0.5, L"S").ToString(), L"InstallProgress { Fraction = 0,5, Status = S, Detail =  }");
}

TEST(LockingProcess, DisplayNameEqualityAndText) {
    const LockingProcess p(4242, L"app", true);
    EXPECT_EQ(p.DisplayName(), L"app (PID 4242)");
    EXPECT_EQ(p.ToString(),
              L"LockingProcess { ProcessId = 4242, Name = app, CanBeClosed = True, DisplayName = app (PID 4242) }");
    EXPECT_EQ(LockingProcess(-1, L"x", false).ToString(),
              L"LockingProcess { ProcessId = -1, Name = x, CanBeClosed = False, DisplayName = x (PID -1) }");
    {
        const ScopedNumberFormat minusSign(NumberFormat{L",", L"\u2212"});
        EXPECT_EQ(LockingProcess(-7, L"x", true).ToString(),
                  L"LockingProcess { ProcessId = \u22127, Name = x, CanBeClosed = True, DisplayName = x (PID -7) }");
    }
    EXPECT_EQ(p, LockingProcess(4242, L"app", true));
    EXPECT_EQ(p.Hash(), LockingProcess(4242, L"app", true).Hash());
    EXPECT_NE(p, LockingProcess(4242, L"App", true));
    EXPECT_NE(p, LockingProcess(4243, L"app", true));
    EXPECT_NE(p, LockingProcess(4242, L"app", false));
}

TEST(FileLockInfo, ListComparesByIdentity) {
    const auto list = [] {
        return std::make_shared<const std::vector<LockingProcess>>(std::vector{LockingProcess(1, L"a", true)});
    };
    const LockingProcessList shared = list();
    EXPECT_NE(FileLockInfo(L"C:\\f", list()), FileLockInfo(L"C:\\f", list()));
    EXPECT_EQ(FileLockInfo(L"C:\\f", shared), FileLockInfo(L"C:\\f", shared));
    EXPECT_EQ(FileLockInfo(L"C:\\f", shared).Hash(), FileLockInfo(L"C:\\f", shared).Hash());
    EXPECT_NE(FileLockInfo(L"C:\\f", shared), FileLockInfo(L"C:\\F", shared));
    EXPECT_EQ(FileLockInfo(L"C:\\f", shared).Processes().size(), 1u);
    EXPECT_TRUE(FileLockInfo(L"C:\\f", nullptr).Processes().empty());
    EXPECT_EQ(FileLockInfo(L"C:\\f", shared).ToString(),
              L"FileLockInfo { Path = C:\\f, Processes = std::vector<LockingProcess> }");
}

TEST(FileLockResolution, Values) {
    EXPECT_EQ(static_cast<int>(FileLockResolution::Retry), 0);
    EXPECT_EQ(static_cast<int>(FileLockResolution::Abort), 1);
}

}  // namespace
}  // namespace Ravenquill::Core
