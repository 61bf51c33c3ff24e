#include "platform/win/touch.h"

#include <QInputDevice>
#include <QPointingDevice>
#include <QWidget>

int GetSystemMetrics(int index) {
  if (index != SM_DIGITIZER) return 0;
  int result = 0;
  for (const QInputDevice* device : QInputDevice::devices()) {
    if (device->type() != QInputDevice::DeviceType::TouchScreen) continue;
    result |= NID_INTEGRATED_TOUCH | NID_READY;
    if (const auto* pointing = qobject_cast<const QPointingDevice*>(device);
        pointing && pointing->maximumPoints() > 1)
      result |= NID_MULTI_INPUT;
  }
  return result;
}

BOOL RegisterTouchWindow(HWND window, ULONG) {
  auto* widget = static_cast<QWidget*>(window);
  if (!widget) return FALSE;
  widget->setAttribute(Qt::WA_AcceptTouchEvents, true);
  return TRUE;
}

BOOL UnregisterTouchWindow(HWND window) {
  auto* widget = static_cast<QWidget*>(window);
  if (!widget) return FALSE;
  widget->setAttribute(Qt::WA_AcceptTouchEvents, false);
  return TRUE;
}

BOOL SetGestureConfig(HWND window, DWORD, UINT count, const GESTURECONFIG* configs, UINT size) {
  if (!window || (count && (!configs || size != sizeof(GESTURECONFIG)))) return FALSE;
  return TRUE;
}
