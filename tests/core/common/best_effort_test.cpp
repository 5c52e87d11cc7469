#include "core/common/best_effort.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "core/common/errors.h"

namespace Ravenquill {
namespace {

TEST(BestEffortTest, OnlyInputOutputAndAccessFailuresAreAbsorbedAndTheRegistrysRefusalsToo) {
    struct Case {
        const char* kind;
        std::function<void()> fail;
        bool absorbed;
        bool absorbedByRegistryStep;
    };
    const Case cases[] = {
        {"IOException", [] { throw IOException(L"x", 5); }, true, true},
        {"FileNotFoundException", [] { throw FileNotFoundException(L"x", 2); }, true, true},
        {"SharingViolationException", [] { throw SharingViolationException(L"x", 32); }, true, true},
        {"EndOfStreamException", [] { throw EndOfStreamException(); }, true, true},
        {"UnauthorizedAccessException", [] { throw UnauthorizedAccessException(L"x"); }, true, true},
        {"PlatformException", [] { throw PlatformException(L"x", 87); }, false, true},
        {"SecurityException", [] { throw SecurityException(L"x"); }, false, true},
        {"ArgumentException", [] { throw ArgumentException(L"x"); }, false, true},
        {"OperationCanceledException", [] { throw OperationCanceledException(); }, false, false},
        {"InstallFailedException", [] { throw Core::InstallFailedException(L"x"); }, false, false},
        {"InvalidDataException", [] { throw InvalidDataException(L"x"); }, false, false},
        {"InvalidOperationException", [] { throw InvalidOperationException(L"x"); }, false, false},
        {"std::bad_alloc", [] { throw std::bad_alloc(); }, false, false},
        {"std::runtime_error", [] { throw std::runtime_error("x"); }, false, false},
    };
    for (const Case& c : cases) {
        try {
            c.fail();
        } catch (const std::exception& e) {
            EXPECT_EQ(IsBestEffortFailure(e), c.absorbed) << c.kind;
            EXPECT_EQ(IsBestEffortRegistryFailure(e), c.absorbedByRegistryStep) << c.kind;
        }
    }
}

TEST(BestEffortTest, AStepThatFailsSoIsLeftUndoneAndAnyOtherFailureEndsTheOperation) {
    EXPECT_TRUE(TryBestEffort([] {}));
    EXPECT_FALSE(TryBestEffort([] { throw IOException(L"disk"); }));
    EXPECT_THROW(TryBestEffort([] { throw OperationCanceledException(); }), OperationCanceledException);
    EXPECT_THROW(TryBestEffort([] { throw PlatformException(L"registry", 5); }), PlatformException);
    EXPECT_FALSE(TryBestEffort([] { throw PlatformException(L"registry", 5); }, IsBestEffortRegistryFailure));

    std::wstring absorbed;
    const auto keep = [&](const std::exception& e) { absorbed = MessageOf(e); };
    EXPECT_FALSE(TryBestEffort([] { throw UnauthorizedAccessException(L"denied"); }, IsBestEffortFailure, keep));
    EXPECT_EQ(absorbed, L"denied");
    // The handler may turn the failure into one that ends the operation.
    EXPECT_THROW(TryBestEffort([] { throw IOException(L"disk"); }, IsBestEffortFailure,
                               [](const std::exception&) { throw InvalidDataException(L"stop"); }),
                 InvalidDataException);
}

}  // namespace
}  // namespace Ravenquill
