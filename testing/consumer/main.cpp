// Lists the applications of an empty Mac tree: links discovery and everything below it.
#include <iostream>

#include <corvane/base/version.h>
#include <corvane/discovery/app_discovery_service.h>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  corvane::AppDiscoveryService discovery(corvane::Layout::at(argv[1], std::string(argv[1]) + "/home"));
  std::cout << "Corvane " << corvane::version() << ": " << discovery.discover().size() << " applications\n";
  return 0;
}
