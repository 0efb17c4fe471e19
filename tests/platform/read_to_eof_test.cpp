#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/process.h"

namespace corvane::platform {
namespace {

// A read(2) stand-in that replays a script: text to hand out, or an errno to fail with.
struct ScriptedRead {
  struct Step {
    std::string text;
    int error = 0;
  };
  std::vector<Step> steps;
  std::size_t next = 0;
  std::vector<std::size_t> sizesAsked;

  long operator()(int, std::uint8_t* buffer, std::size_t size, int& error) {
    sizesAsked.push_back(size);
    if (next == steps.size()) return 0;
    const Step& step = steps[next++];
    if (step.error != 0) {
      error = step.error;
      return -1;
    }
    std::memcpy(buffer, step.text.data(), step.text.size());
    return static_cast<long>(step.text.size());
  }
};

std::string asText(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(ReadToEOFTest, RetriesInterruptedReadsUntilEndOfFile) {
  ScriptedRead read;
  read.steps = {{"abc"}, {"", EINTR}, {"de"}, {"", EINTR}, {"f"}};
  auto output = readToEOF(7, [&](int fd, std::uint8_t* b, std::size_t n, int& e) { return read(fd, b, n, e); });
  EXPECT_EQ(asText(output), "abcdef");
  // Five scripted reads and the one that met end of file, each offered the whole buffer.
  EXPECT_EQ(read.sizesAsked, std::vector<std::size_t>(6, 65536));
}

TEST(ReadToEOFTest, StopsAtAnyOtherErrorKeepingWhatWasRead) {
  ScriptedRead read;
  read.steps = {{"kept"}, {"", EIO}, {"never read"}};
  auto output = readToEOF(7, [&](int fd, std::uint8_t* b, std::size_t n, int& e) { return read(fd, b, n, e); });
  EXPECT_EQ(asText(output), "kept");
  EXPECT_EQ(read.next, 2u);
}

}  // namespace
}  // namespace corvane::platform
