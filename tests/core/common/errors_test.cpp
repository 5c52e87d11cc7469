#include "core/common/errors.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

namespace Ravenquill {
namespace {

TEST(ErrorsTest, TheMessageOfAnyFailureIsItsOwnAndNeverThrows) {
    const auto messageOf = [](const std::function<void()>& fail) {
        try {
            fail();
        } catch (...) {
            return MessageOf(std::current_exception());
        }
        return std::wstring(L"none");
    };
    EXPECT_EQ(messageOf([] { throw IOException(L"Диск полон"); }), L"Диск полон");
    EXPECT_EQ(messageOf([] { throw std::runtime_error("\xD0\x9E\xD1\x88\xD0\xB8\xD0\xB1\xD0\xBA\xD0\xB0"); }),
              L"Ошибка");
    EXPECT_EQ(messageOf([] { throw 42; }), UnknownFailureMessage);
    EXPECT_EQ(MessageOf(std::exception_ptr()), L"");
}

}  // namespace
}  // namespace Ravenquill
