#include "platform/win/library_map.h"

#include "platform/dshow/errors.h"

std::vector<TBuiltinLibrary> BuiltinLibraries() {
  return {
      // The DirectShow runtime is part of this program, so it cannot go missing on install.
      {"quartz.dll",
       {{"AMGetErrorTextA", reinterpret_cast<FARPROC>(&AMGetErrorTextA)},
        {"AMGetErrorTextW", reinterpret_cast<FARPROC>(&AMGetErrorTextW)}},
       true},
      // Graphics libraries this system has no use for: they fail to load.
      {"ddraw.dll", {}, false},
      {"d3d9.dll", {}, false},
      {"dxerr9ab.dll", {}, false},
  };
}
