#include "platform/winmm/alsa_quiet.h"

#include <alsa/asoundlib.h>

#include <mutex>

namespace {
void SilentAlsaError(const char*, int, const char*, int, const char*, ...) {}
}  // namespace

void SilenceAlsaErrors() {
  static std::once_flag once;
  std::call_once(once, [] { snd_lib_error_set_handler(SilentAlsaError); });
}
