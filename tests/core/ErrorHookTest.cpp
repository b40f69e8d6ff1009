#include <gtest/gtest.h>

#include <string>

#include "core/Abort.h"
#include "core/ErrorHook.h"

using namespace brevant;

TEST(ErrorHook, ReportsErrorsButPassesOverSilentAborts) {
    std::string seen;
    auto previous = SetApplicationErrorHandler([&](const std::exception& e) { seen = e.what(); });
    HandleApplicationException(EAbort());
    EXPECT_EQ(seen, "");
    HandleApplicationException(EConvertError(u"'abc' is not a valid integer value"));
    EXPECT_EQ(seen, "'abc' is not a valid integer value");
    SetApplicationErrorHandler([](const std::exception&) { throw std::runtime_error("report failed"); });
    HandleApplicationException(EConvertError(u"x"));  // must not throw
    SetApplicationErrorHandler(previous);
}
