#include "sample_mac/demo_scene.h"

#include <utility>

#include "platform/user.h"
#include "sample_mac/demo_mac.h"
#include "sample_mac/ds_store_writer.h"
#include "sample_mac/orphaned_mac.h"
#include "sample_mac/stale_records.h"

namespace corvane::testing {

DemoScene buildDemoScene(const std::string& folder) {
  SampleMac mac(folder);
  const std::size_t apps = buildDemoMac(mac).size();
  // Apps removed long ago (some by dragging them to the Trash) left files and system records behind.
  addRemovedAppLeftovers(mac);
  addStaleSystemRecords(mac);
  Layout layout = Layout::at(mac.root(), mac.home(), platform::currentUserID());
  // Things the user threw away earlier, moved by the file manager with their Put Back records.
  for (const char* name : {"Setup Helper 2.4.dmg", "Screenshot 2026-11-30 at 10.02.14.png", "node_modules", "Q3 Report.pdf"})
    SampleMac::writeFile(layout.userTrash() + "/" + name + (std::string(name) == "node_modules" ? "/left-pad/index.js" : ""),
                         std::string(20000, 'x'));
  writeTrashDSStore(layout.userTrash(), {{"Setup Helper 2.4.dmg", "Users/demo/Downloads/", std::nullopt},
                                         {"Screenshot 2026-11-30 at 10.02.14.png", "Users/demo/Desktop/", std::nullopt},
                                         {"node_modules", "Users/demo/Projects/site/", std::nullopt},
                                         {"Q3 Report.pdf", "Users/demo/Documents/", "Q3 Report.pdf"}});
  // The folder the report came from, where its Put Back record says it was.
  SampleMac::makeFolder(layout.hostPath("/Users/demo/Documents"));
  LaunchctlStandIn launchctl = LaunchctlStandIn::write(folder, {"com.dropzone.sync.agent"});
  (void)recordGlimmerUninstall(mac);
  return {std::move(layout), apps, std::move(launchctl)};
}

std::streambuf::int_type AfterFirstLine::overflow(int_type c) {
  if (c == '\n' && then_) std::exchange(then_, nullptr)();
  return traits_type::not_eof(c);
}

}  // namespace corvane::testing
