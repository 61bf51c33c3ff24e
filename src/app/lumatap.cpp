// Compiled without AVX: a processor without it must get the message, not an illegal instruction.
#include "app/lumatap.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <memory>

#include "app/programhost.h"
#include "capture/directx/direct3d9.h"
#include "capture/directx/directdraw.h"
#include "capture/directx/directshow9.h"
#include "capture/directx/dxerr9.h"
#include "capture/directx/reserved.h"
#include "platform/com/com.h"
#include "platform/dshow/runtime.h"
#include "platform/qt/application_qt.h"
#include "platform/qt/termination_signals.h"
#include "platform/win/cpu.h"
#include "platform/win/dialogs.h"
#include "ui/unitInstrument.h"
#include "ui/unitLumatap.h"
#include "ui/unitsettings.h"
#include "ui/widgets/application.h"
#include "ui/widgets/dialogs_qt.h"

namespace {
constexpr uint32_t kOsxsave = 1u << 27, kAvx = 1u << 28, kFma = 1u << 12;
constexpr uint64_t kXcr0SseAndAvxState = 0x6;

// Every window is registered under this class name (WM_CLASS on X11 takes the
// application name as its class).
constexpr char kWindowClassName[] = "TQuorvelForm";

// Ends every open modal dialog and box, the innermost first, as its Cancel would: the code that
// ran it carries on as after a cancel. A window that is still modal after it was asked to go
// stops the round.
void EndModalWindows() {
  QPointer<QWidget> asked;
  while (QWidget* modal = QApplication::activeModalWidget()) {
    if (modal == asked) return;
    asked = modal;
    if (auto* dialog = qobject_cast<QDialog*>(modal))
      dialog->reject();
    else
      modal->close();
  }
}
}  // namespace

// Resources of a static library are registered by hand, once; the macro wants the global
// namespace.
static void InitResources() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(lumatap);
    return true;
  }();
  (void)registered;
}

bool CpuSupportsAvx() {
  if (Cpuid(0).eax < 1) return false;
  const uint32_t ecx = Cpuid(1).ecx;
  if ((ecx & (kOsxsave | kAvx | kFma)) != (kOsxsave | kAvx | kFma)) return false;
  if ((Xgetbv(0) & kXcr0SseAndAvxState) != kXcr0SseAndAvxState) return false;
  return true;
}

void CreateForms() {
  InitResources();
  FormLumatap = new TFormLumatap;
  Application.MainForm = FormLumatap;
  FormSettings = new TFormSettings;
  FormInstrument = new TFormInstrument;
}

void DestroyForms() {
  // Capture stops before any window goes: the tracker reads the settings window's sliders,
  // and camera messages handled while the sound shuts down would reach for the editor.
  if (FormLumatap) FormLumatap->BeginShutDown();
  delete FormInstrument;
  FormInstrument = nullptr;
  delete FormSettings;
  FormSettings = nullptr;
  Application.MainForm = nullptr;
  delete FormLumatap;
  FormLumatap = nullptr;
}

int RunLumatap(int argc, char** argv) {
  // Module initialisation.
  QCoreApplication::setApplicationName(kWindowClassName);
  std::unique_ptr<QApplication> app;
  if (!QApplication::instance()) app = std::make_unique<QApplication>(argc, argv);
  // SIGTERM, SIGINT and SIGHUP end the program as the user's close of the main window does:
  // the modal dialogs and boxes end as cancelled and the main window closes, which ends the
  // loop; the windows' destruction then closes the devices and finishes a recording. A signal
  // that comes during start-up waits for the loop and ends it as soon as it runs; one handled
  // before (inside a box shown at start-up), where Qt's quit does nothing yet, keeps the loop
  // from starting. One that comes after the loop only ends the boxes the program's end shows.
  bool endAsked = false;
  bool loopOver = false;
  TTerminationSignals terminationSignals([&] {
    EndModalWindows();
    endAsked = true;
    if (!loopOver && Application.MainForm) Application.MainForm->close();
  });
  InstallEngineHost();
  // Posted window messages reach their handles through Qt's loop.
  InstallQtApplicationServices();
  // The DirectShow classes and quartz.dll, before anything binds or creates them.
  RegisterDirectShowRuntime();
  // The DirectX library bindings in their modules' order around COM for the main thread, which
  // the capture components rely on. Finalised in the reverse order at the very end, after the
  // windows (and with them the capture components) are gone.
  directx::LoadDirectDraw();
  directx::LoadDirect3D9();
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  directx::InitializeDirectShow9Module();
  directx::InitializeReservedModule();
  directx::InitializeDxErr9Module();
  struct FinalizeModules {
    ~FinalizeModules() {
      directx::FinalizeDxErr9Module();
      directx::FinalizeReservedModule();
      directx::FinalizeDirectShow9Module();
      CoUninitialize();
      directx::UnloadDirect3D9();
      directx::UnloadDirectDraw();
    }
  } finalizeModules;
  QtDialogService dialogs;
  const bool ownDialogs = GetDialogService() == nullptr;
  if (ownDialogs) SetDialogService(&dialogs);
  struct RestoreDialogs {
    bool own;
    ~RestoreDialogs() {
      if (own) SetDialogService(nullptr);
    }
  } restore{ownDialogs};

  // Every window builds its own designed components in its constructor.
  Application.Title = "Quorvel Lumatap Pro";
  Application.Scaled = true;
  Application.Initialize();

  if (!CpuSupportsAvx()) {
    ShowMessage("AVX/FMA3 not supported by this CPU, please use 32bit edition!");
    Application.Terminate();
    return 0;
  }

  // A window that cannot be made (the main window without the Sample Grabber filter) ends
  // start-up: its message is shown, the windows made so far go, and no message loop runs.
  try {
    CreateForms();
  } catch (...) {
    Application.HandleException(nullptr);
    DestroyForms();
    Application.Terminate();
    return 1;
  }
  if (!endAsked) Application.Run();
  loopOver = true;

  DestroyForms();
  return 0;
}
