#pragma once
// ASSERT_OK(result) and EXPECT_OK(result): the Result holds a value. A failure shows the error in full:
//   tree.open() failed: errno 2 (No such file or directory), operation "open", path "/x", message ""

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "corvane/base/result.h"

namespace corvane::test_support {

template <class T>
::testing::AssertionResult holdsValue(const char* expression, const Result<T>& result) {
  if (result.has_value()) return ::testing::AssertionSuccess();
  const Error& e = result.error();
  auto failure = ::testing::AssertionFailure() << expression << " failed: errno " << e.code;
  if (e.code != 0) failure << " (" << std::strerror(e.code) << ")";
  return failure << ", operation \"" << e.operation << "\", path \"" << e.path << "\", message \"" << e.message
                 << "\"";
}

// The text, or "errno N" when there is none: one comparable value for the outcome of a path lookup.
inline std::string textOrErrno(const Result<std::string>& result) {
  return result.has_value() ? result.value() : "errno " + std::to_string(result.error().code);
}

}  // namespace corvane::test_support

#define EXPECT_OK(result) EXPECT_PRED_FORMAT1(::corvane::test_support::holdsValue, result)
#define ASSERT_OK(result) ASSERT_PRED_FORMAT1(::corvane::test_support::holdsValue, result)
