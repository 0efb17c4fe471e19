#include "support/result_matchers.h"

#include <gtest/gtest-spi.h>

namespace corvane {
namespace {

TEST(ResultMatchersTest, PassOnAValueAndPrintTheWholeErrorOtherwise) {
  EXPECT_OK(Result<int>(3));
  ASSERT_OK(Status(Ok{}));
  const Status missing = Error::fromErrno(ENOENT, "open", "/x/history.json");
  EXPECT_NONFATAL_FAILURE(EXPECT_OK(missing),
                          "missing failed: errno 2 (No such "
                          "file or directory), operation \"open\", path \"/x/history.json\", message \"\"");
  EXPECT_FATAL_FAILURE(ASSERT_OK(Result<int>(Error::invalid("not a number", "/x/n"))),
                       "failed: errno 0, operation \"\", path \"/x/n\", message \"not a number\"");
}

}  // namespace
}  // namespace corvane
