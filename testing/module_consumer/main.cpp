// Uses the library through its module rather than through textual includes.
#pragma clang module import Corvane

#include <iostream>

int main() {
  corvane::Layout layout = corvane::Layout::at("/tmp/mac", "/tmp/mac/home");
  corvane::HistoryStore* history = nullptr;
  std::cout << "Corvane " << corvane::version() << " " << layout.root << (history ? "" : " no history") << "\n";
  return 0;
}
