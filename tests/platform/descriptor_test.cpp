// The one retry loop for interrupted calls and the one descriptor owner.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/retry.h"
#include "platform/unique_fd.h"

namespace corvane::platform {
namespace {

TEST(RetryAfterSignalTest, RetriesOnlyInterruptions) {
  struct Case {
    std::vector<int> failures;  // errno of each failing call before one that returns 5
    long result;
    int calls;
    int error;
  };
  const Case cases[] = {{{}, 5, 1, 0}, {{EINTR, EINTR}, 5, 3, 0}, {{EINTR, EIO, EINTR}, -1, 2, EIO}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.calls);
    int calls = 0;
    auto call = [&](long value) -> long {
      if (static_cast<std::size_t>(calls) < c.failures.size()) {
        errno = c.failures[calls++];
        return -1;
      }
      ++calls;
      errno = 0;
      return value;
    };
    EXPECT_EQ(retryAfterSignal(call, 5L), c.result);
    EXPECT_EQ(calls, c.calls);
    EXPECT_EQ(errno, c.error);
  }
}

TEST(UniqueFdTest, ClosesOnceAndHandsTheDescriptorOverOnMoveAndRelease) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  auto isOpen = [](int fd) { return ::fcntl(fd, F_GETFD) != -1; };
  {
    UniqueFd a(fds[0]);
    UniqueFd b(std::move(a));
    EXPECT_FALSE(a.valid());
    EXPECT_EQ(b.get(), fds[0]);
    UniqueFd c;
    c = std::move(b);
    EXPECT_EQ(c.get(), fds[0]);
    const int raw = c.release();
    EXPECT_FALSE(c.valid());
    EXPECT_TRUE(isOpen(raw));  // released, not closed
    c.reset(raw);

    UniqueFd writeEnd(fds[1]);
    writeEnd.reset();
    EXPECT_FALSE(writeEnd.valid());
    EXPECT_FALSE(isOpen(fds[1]));
    EXPECT_TRUE(isOpen(fds[0]));
  }
  EXPECT_FALSE(isOpen(fds[0]));
}

}  // namespace
}  // namespace corvane::platform
