#include "report.h"

#include <windows.h>

#include <cmath>
#include <cstdio>

#include "unique_any.h"

namespace bench {
namespace {

constexpr char kSpreadName[] = "median [p10..p90]";

std::string Number(double value) {
  char text[32];
  const double size = std::fabs(value);
  const bool whole = value == std::round(value);
  const char* format = whole || size >= 100 ? "%.0f" : size < 10 ? "%.2f" : "%.1f";
  std::snprintf(text, sizeof(text), format, value);
  return text;
}

std::string Joined(const std::vector<std::string>& items, const char* separator) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : separator) + item;
  return text;
}

std::string SpreadText(const Spread& spread, const std::string& unit) {
  std::string text = Number(spread.median);
  if (spread.samples > 1) text += " [" + Number(spread.p10) + ".." + Number(spread.p90) + "]";
  return unit.empty() ? text : text + " " + unit;
}

std::string PluginText(const Figure& figure) {
  return figure.plugin ? SpreadText(*figure.plugin, figure.unit) : Joined(figure.items, ", ");
}

std::string TargetText(const Figure& figure) {
  std::vector<std::string> parts;
  for (const Target& target : figure.targets) parts.push_back(target.text + (target.met ? ": met" : ": MISSED"));
  return Joined(parts, "; ");
}

void PrintFigure(const Figure& figure) {
  const std::string floor = figure.floor ? SpreadText(*figure.floor, figure.unit) : "";
  const std::string ratio = figure.floor ? Number(figure.Ratio()) : "";
  std::printf("  %-50s %-26s %-26s %6s  %s\n", figure.label.c_str(), PluginText(figure).c_str(), floor.c_str(),
              ratio.c_str(), TargetText(figure).c_str());
  if (!figure.note.empty()) std::printf("  %-50s %s\n", "", figure.note.c_str());
  if (figure.plugin && !figure.items.empty()) std::printf("  %-50s %s\n", "", Joined(figure.items, ", ").c_str());
}

// --- JSON --------------------------------------------------------------------------------

std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
      quoted += escaped;
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

std::string JsonNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof(text), "%.6g", value);
  return text;
}

std::string SpreadJson(const Spread& spread) {
  return "{\"median\": " + JsonNumber(spread.median) + ", \"p10\": " + JsonNumber(spread.p10) +
         ", \"p90\": " + JsonNumber(spread.p90) + ", \"samples\": " + std::to_string(spread.samples) + "}";
}

std::string FigureJson(const Figure& figure) {
  std::string json = "{\"key\": " + Quoted(figure.key) + ", \"label\": " + Quoted(figure.label);
  if (!figure.unit.empty()) json += ", \"unit\": " + Quoted(figure.unit);
  if (figure.plugin) json += ", \"plugin\": " + SpreadJson(*figure.plugin);
  if (figure.floor) json += ", \"floor\": " + SpreadJson(*figure.floor) + ", \"ratio\": " + JsonNumber(figure.Ratio());
  if (!figure.items.empty()) {
    std::vector<std::string> quoted;
    for (const std::string& item : figure.items) quoted.push_back(Quoted(item));
    json += ", \"items\": [" + Joined(quoted, ", ") + "]";
  }
  if (!figure.targets.empty()) {
    std::vector<std::string> targets;
    for (const Target& target : figure.targets)
      targets.push_back("{\"target\": " + Quoted(target.text) + ", \"met\": " + (target.met ? "true" : "false") + "}");
    json += ", \"targets\": [" + Joined(targets, ", ") + "]";
  }
  if (!figure.note.empty()) json += ", \"note\": " + Quoted(figure.note);
  return json + "}";
}

}  // namespace

double Figure::Ratio() const { return plugin && floor && floor->median > 0 ? plugin->median / floor->median : 0; }

void Report::Print() const {
  std::printf("Duvisto.dll under Wine against its floors (BrowseFloor.dll, a _Browse that only hands back answers as long "
              "as the plug-in's; a bare window with the same web-browser control); times are %s\n\n",
              kSpreadName);
  std::printf("  %-50s %-26s %-26s %6s  %s\n", "figure", "Duvisto.dll", "floor", "ratio", "target");
  for (const Section& section : sections_) {
    std::printf("%s\n", section.title.c_str());
    for (const Figure& figure : section.figures) PrintFigure(figure);
  }
}

bool Report::WriteJson(const std::string& path) const {
  const duvisto::UniqueFile file(
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  std::vector<std::string> sections;
  for (const Section& section : sections_) {
    std::vector<std::string> figures;
    for (const Figure& figure : section.figures) figures.push_back("      " + FigureJson(figure));
    sections.push_back("    {\"title\": " + Quoted(section.title) + ",\n     \"figures\": [\n" +
                       Joined(figures, ",\n") + "\n     ]}");
  }
  const std::string json =
      "{\n  \"spread\": " + Quoted(kSpreadName) + ",\n  \"sections\": [\n" + Joined(sections, ",\n") + "\n  ]\n}\n";
  DWORD written = 0;
  return WriteFile(file.get(), json.data(), static_cast<DWORD>(json.size()), &written, nullptr) &&
         written == json.size();
}

}  // namespace bench
