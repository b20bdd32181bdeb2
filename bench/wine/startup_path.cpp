// (a) What the host does to start the plug-in, timed as a whole: LoadLibrary,
// GetProcAddress(DllGetClassObject), DllGetClassObject, CreateInstance, Initialize,
// GetPublishInfo and the seven GetPublishCommandInfo calls, then Release and FreeLibrary.
// Rounds against Duvisto.dll and the floor alternate, so drift in the machine hits both alike;
// the same against the empty floor, which answers nothing, shows what the answers cost.
#include "startup_path.h"

#include <string>

#include "com_owners.h"
#include "com_server.h"
#include "failure.h"
#include "unique_any.h"

namespace bench {
namespace {

constexpr int kLoadedRounds = 1001;
constexpr int kFreshRounds = 201;
constexpr double kTargetRatio = 2;
constexpr double kTargetPluginUs = 1000;

using Bstr = duvisto::UniqueBstr;

using duvisto::UniqueModule;

// The strings the host hands in for the catalogue, made before a round and freed after it.
struct CatalogueStrings {
  Bstr name{L""}, value{L""}, help{L""};
};

void ReadCatalogue(_Browse* browse, CatalogueStrings& strings) {
  LONG commandCount = 0, tagCount = 0;
  VARIANT_BOOL ready = VARIANT_FALSE;
  Check(browse->GetPublishInfo(strings.name.inout(), &commandCount, &tagCount, &ready), "GetPublishInfo");
  duvisto::UniqueVariant result;
  for (LONG index = 1; index <= 7; ++index)
    Check(browse->GetPublishCommandInfo(index, strings.name.inout(), strings.value.inout(), strings.help.inout(),
                                        result.put()),
          "GetPublishCommandInfo");
}

double StartupRoundMicroseconds(const std::wstring& path) {
  CatalogueStrings strings;
  const LONGLONG start = Now();
  {
    const UniqueModule module(LoadLibraryW(path.c_str()));
    if (!module) Check(HRESULT_FROM_WIN32(GetLastError()), "LoadLibrary");
    ComPtr<_Browse> browse;
    Check(CreateFromModule(module.get(), browse), "creating an object");
    Check(InitializeAsHost(browse.Get()), "Initialize");
    ReadCatalogue(browse.Get(), strings);
  }  // the object released, then the library freed
  return Microseconds(Now() - start);
}

void ExpectUnloaded(const std::wstring& path) {
  if (GetModuleHandleW(path.c_str()))
    throw Failure("a DLL stayed loaded after its last FreeLibrary: " + std::string(path.begin(), path.end()));
}

// One round on `path`; afresh, the DLL must be gone again after it.
double Round(const std::wstring& path, bool expectUnloaded) {
  const double microseconds = StartupRoundMicroseconds(path);
  if (expectUnloaded) ExpectUnloaded(path);
  return microseconds;
}

PairedSamples Rounds(int rounds, bool expectUnloaded, const wchar_t* floorDll) {
  const std::wstring plugin = BesideThisProgram(kPluginDll), floor = BesideThisProgram(floorDll);
  return Alternating(
      rounds, [&] { return Round(plugin, expectUnloaded); }, [&] { return Round(floor, expectUnloaded); });
}

Figure StartupFigure(std::string key, std::string label, const PairedSamples& rounds) {
  Figure figure;
  figure.key = std::move(key);
  figure.label = std::move(label);
  figure.unit = "us";
  figure.plugin = SpreadOf(rounds.plugin);
  figure.floor = SpreadOf(rounds.floor);
  figure.targets = {{"ratio <= 2", figure.Ratio() <= kTargetRatio},
                    {"plug-in < 1 ms", figure.plugin->median < kTargetPluginUs}};
  figure.note = std::to_string(rounds.plugin.size()) + " rounds each, alternating";
  return figure;
}

Figure EmptyFloorFigure(std::string key, const PairedSamples& rounds) {
  Figure figure;
  figure.key = std::move(key);
  figure.label = "  against the empty floor";
  figure.unit = "us";
  figure.plugin = SpreadOf(rounds.plugin);
  figure.floor = SpreadOf(rounds.floor);
  figure.note = "BrowseFloorEmpty.dll, which answers nothing: the call alone, without allocating an answer";
  return figure;
}

}  // namespace

Section StartupFigures() {
  Section section{
      "(a) start-up: LoadLibrary .. create, Initialize, GetPublishInfo, 7 x GetPublishCommandInfo .. "
      "Release, FreeLibrary",
      {}};
  // Afresh first, while nothing holds any of the DLLs: each FreeLibrary unloads it.
  for (const wchar_t* dll : {kPluginDll, kFloorDll, kEmptyFloorDll}) ExpectUnloaded(BesideThisProgram(dll));
  const PairedSamples fresh = Rounds(kFreshRounds, true, kFloorDll);
  const PairedSamples freshEmpty = Rounds(kFreshRounds, true, kEmptyFloorDll);

  // Already loaded: one reference held throughout, so LoadLibrary and FreeLibrary only count.
  const UniqueModule pluginHeld(LoadLibraryW(BesideThisProgram(kPluginDll).c_str()));
  const UniqueModule floorHeld(LoadLibraryW(BesideThisProgram(kFloorDll).c_str()));
  const UniqueModule emptyFloorHeld(LoadLibraryW(BesideThisProgram(kEmptyFloorDll).c_str()));
  if (!pluginHeld || !floorHeld || !emptyFloorHeld) Check(HRESULT_FROM_WIN32(GetLastError()), "LoadLibrary");
  const PairedSamples loaded = Rounds(kLoadedRounds, false, kFloorDll);
  const PairedSamples loadedEmpty = Rounds(kLoadedRounds, false, kEmptyFloorDll);

  section.figures.push_back(StartupFigure("startup_dll_loaded", "DLL already loaded", loaded));
  section.figures.push_back(EmptyFloorFigure("startup_dll_loaded_empty_floor", loadedEmpty));
  section.figures.push_back(StartupFigure("startup_dll_fresh", "DLL loaded afresh each round", fresh));
  section.figures.push_back(EmptyFloorFigure("startup_dll_fresh_empty_floor", freshEmpty));
  return section;
}

}  // namespace bench
