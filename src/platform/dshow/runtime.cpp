#include "platform/dshow/runtime.h"

#include <map>
#include <mutex>

#include "platform/com/com.h"
#include "platform/dshow/classes.h"
#include "platform/dshow/errors.h"

std::vector<TLibraryEntry> DirectShowRuntimeEntries() {
  return {{"AMGetErrorTextA", reinterpret_cast<FARPROC>(&AMGetErrorTextA)},
          {"AMGetErrorTextW", reinterpret_cast<FARPROC>(&AMGetErrorTextW)}};
}

void RegisterDirectShowRuntime() {
  static std::once_flag once;
  std::call_once(once, [] {
    std::map<CLSID, TCreateInstance> classes;
    RegisterDirectShowClasses(classes);
    for (auto& [clsid, create] : classes) CoRegisterInprocServer(clsid, std::move(create));
    // The runtime lives in this program, so it cannot go missing on install.
    RegisterInprocLibrary("quartz.dll", DirectShowRuntimeEntries());
  });
}
