// libFuzzer target: the uninstall history file on arbitrary bytes, loaded by the history store through a
// file manager that serves the bytes from memory and writes nothing.

#include <cstddef>
#include <cstdint>
#include <string>

#include "corvane/history/history_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::string bytes;
  static const corvane::HistoryFileManager kManager = [] {
    corvane::HistoryFileManager m;
    m.readFile = [](const std::string&) -> corvane::Result<std::string> { return bytes; };
    m.createFolders = [](const std::string&) -> corvane::Status { return corvane::Ok{}; };
    m.writeAtomically = [](const std::string&, const std::string&) -> corvane::Status { return corvane::Ok{}; };
    m.moveExclusive = [](const std::string&, const std::string&) -> corvane::Status { return corvane::Ok{}; };
    m.now = [] { return corvane::Date{}; };
    return m;
  }();
  bytes.assign(reinterpret_cast<const char*>(data), size);
  corvane::HistoryStore store(kManager, corvane::Url::fileURL("/history/history.json"));
  volatile std::size_t count = store.records().size() + (store.fileIsUnreadable() ? 1 : 0);
  (void)count;
  return 0;
}
