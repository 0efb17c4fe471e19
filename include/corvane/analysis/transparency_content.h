#pragma once
// The plain-English explanation of how the analysis decides what is safe. Its numbers come from the
// grading constants, so the text always says what the code does.

#include <string>
#include <vector>

namespace corvane {

struct TransparencyContent {
  struct Section {
    int id = 0;  // identifies the section in lists
    std::string title;
    std::string body;

    bool operator==(const Section&) const = default;
  };

  std::string title;
  std::vector<Section> sections;

  // The explanation as it stands, built on request.
  static TransparencyContent current();

  bool operator==(const TransparencyContent&) const = default;
};

}  // namespace corvane
