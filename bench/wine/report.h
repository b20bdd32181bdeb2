// The benchmark's figures, each with its target, printed as one table and written as JSON, so
// the table and the file always hold the same figures.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "timing.h"

namespace bench {

struct Target {
  std::string text;  // e.g. "ratio <= 2"
  bool met = false;
};

struct Figure {
  std::string key;                 // its name in the JSON file
  std::string label;               // its line in the table
  std::string unit;                // "us", "ms", "KiB", "bytes", "blocks"
  std::optional<Spread> plugin;    // Duvisto.dll's figure
  std::optional<Spread> floor;     // the same measurement on the floor object, where there is one
  std::vector<std::string> items;  // a figure that is a list (the imported DLLs) or a word
  std::vector<Target> targets;
  std::string note;  // how it was measured, where the label cannot say it

  // The plug-in's median over the floor's; 0 without a floor.
  double Ratio() const;
};

struct Section {
  std::string title;
  std::vector<Figure> figures;
};

class Report {
 public:
  void Add(Section section) { sections_.push_back(std::move(section)); }
  void Print() const;
  // False if the file could not be written.
  bool WriteJson(const std::string& path) const;

 private:
  std::vector<Section> sections_;
};

}  // namespace bench
