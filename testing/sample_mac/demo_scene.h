#pragma once
// Everything `corvane demo` shows, set up in one folder: the sample Mac with its apps, the leftovers of
// apps removed long ago, stale system records, things the user threw away earlier (with their Put Back
// records), an uninstall already in the history and a launchctl stand-in.

#include <functional>
#include <streambuf>
#include <string>

#include "corvane/model/layout.h"
#include "sample_mac/launchctl_stand_in.h"

namespace corvane::testing {

struct DemoScene {
  Layout layout;
  std::size_t appCount = 0;
  LaunchctlStandIn launchctl;
};

// Builds the scene in `folder` (its root/ and home/), which exists and is empty.
DemoScene buildDemoScene(const std::string& folder);

// Swallows what is written to it; at the end of the first line, runs `then` once. A watcher writes its
// first line once its folders are watched, so an app moved from `then` is seen leaving.
class AfterFirstLine : public std::streambuf {
 public:
  explicit AfterFirstLine(std::function<void()> then) : then_(std::move(then)) {}

 protected:
  int_type overflow(int_type c) override;

 private:
  std::function<void()> then_;
};

}  // namespace corvane::testing
