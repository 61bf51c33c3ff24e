#include "app/programhost.h"

#include "engine/host.h"
#include "platform/qt/qt_resources.h"
#include "ui/unitInstrument.h"
#include "ui/unitsettings.h"
#include "ui/widgets/application.h"

namespace {

// Reaches the windows through their global instances: before a window exists (or after it is
// gone) the engine gets the defaults.
class TProgramHost final : public TEngineHost {
 public:
  int32_t AttackPosition() const override {
    return FormSettings ? FormSettings->TrackBarAttackTime->Position() : DefaultAttackPosition;
  }
  int32_t ReleasePosition() const override {
    return FormSettings ? FormSettings->TrackBarReleaseTime->Position() : DefaultReleasePosition;
  }
  int32_t NoisePosition() const override {
    return FormSettings ? FormSettings->TrackBarNoiseReduction->Position() : DefaultNoisePosition;
  }
  // While the sound device stops, the windows handle what is posted to them and their timers,
  // but user input waits until the handler that stops the sound has returned: a click handled
  // inside the stop (pause, then play at once) would otherwise open a device over the one
  // being closed. Application.ProcessMessages keeps that rule.
  void ProcessMessages() override { Application.ProcessMessages(); }
  void SpectrumChanged() override {
    if (FormInstrument) FormInstrument->Invalidate();
  }
  ResourceProvider* Resources() override { return QtResources(); }
};

}  // namespace

void InstallEngineHost() {
  static TProgramHost host;
  SetEngineHost(&host);
}
