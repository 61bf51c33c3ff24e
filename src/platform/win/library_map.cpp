#include "platform/win/library_map.h"

std::vector<TBuiltinLibrary> BuiltinLibraries() {
  return {
      // Graphics libraries this system has no use for: they fail to load.
      {"ddraw.dll", {}, false},
      {"d3d9.dll", {}, false},
      {"dxerr9ab.dll", {}, false},
  };
}
