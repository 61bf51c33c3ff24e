#include "platform/qt/touch.h"

#include <QInputDevice>
#include <QPointingDevice>
#include <QTouchEvent>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

#include "platform/win/messages.h"

namespace {
// Contacts of the touch messages not yet closed, by handle. GUI thread only.
std::map<uintptr_t, std::vector<TOUCHINPUT>> openInputs;
uintptr_t lastHandle = 0;
// Contacts still down, per window: a cancelled sequence carries no points of its own.
std::map<const QWidget*, std::map<DWORD, TOUCHINPUT>> downContacts;

// The window a handle of the windows' library stands for; nullptr for any other handle.
QWidget* WidgetOf(HWND window) { return static_cast<QWidget*>(WindowOwner(window)); }

LONG Hundredths(double logical, double ratio) {
  return static_cast<LONG>(std::lround(logical * ratio * 100.0));
}
}  // namespace

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
  auto* widget = WidgetOf(window);
  if (!widget) return FALSE;
  widget->setAttribute(Qt::WA_AcceptTouchEvents, true);
  return TRUE;
}

BOOL UnregisterTouchWindow(HWND window) {
  auto* widget = WidgetOf(window);
  if (!widget) return FALSE;
  widget->setAttribute(Qt::WA_AcceptTouchEvents, false);
  downContacts.erase(widget);
  return TRUE;
}

BOOL SetGestureConfig(HWND window, DWORD, UINT count, const GESTURECONFIG* configs, UINT size) {
  if (!window || (count && (!configs || size != sizeof(GESTURECONFIG)))) return FALSE;
  return TRUE;
}

BOOL GetTouchInputInfo(HTOUCHINPUT input, UINT count, TOUCHINPUT* inputs, int size) {
  const auto it = openInputs.find(reinterpret_cast<uintptr_t>(input));
  if (it == openInputs.end() || size != static_cast<int>(sizeof(TOUCHINPUT)) || (count && !inputs))
    return FALSE;
  const size_t n = std::min<size_t>(count, it->second.size());
  std::copy_n(it->second.begin(), n, inputs);
  return TRUE;
}

BOOL CloseTouchInputHandle(HTOUCHINPUT input) {
  return openInputs.erase(reinterpret_cast<uintptr_t>(input)) ? TRUE : FALSE;
}

int OpenTouchInputHandles() { return static_cast<int>(openInputs.size()); }

BOOL PhysicalToLogicalPoint(HWND window, POINT* point) {
  const auto* widget = WidgetOf(window);
  if (!widget || !point) return FALSE;
  const double ratio = widget->devicePixelRatioF();
  point->x = static_cast<LONG>(std::lround(point->x / ratio));
  point->y = static_cast<LONG>(std::lround(point->y / ratio));
  return TRUE;
}

BOOL ScreenToClient(HWND window, POINT* point) {
  const auto* widget = WidgetOf(window);
  if (!widget || !point) return FALSE;
  const QPoint client = widget->mapFromGlobal(QPoint(point->x, point->y));
  point->x = client.x();
  point->y = client.y();
  return TRUE;
}

bool TouchEventToMessage(HWND window, const QTouchEvent& event, TMessage& message) {
  const auto* widget = WidgetOf(window);
  if (!widget) return false;
  std::map<DWORD, TOUCHINPUT>& down = downContacts[widget];
  std::vector<TOUCHINPUT> contacts;
  if (event.type() == QEvent::TouchCancel) {
    for (auto& [id, contact] : down) {
      contact.dwFlags = TOUCHEVENTF_UP;
      contact.dwTime = static_cast<DWORD>(event.timestamp());
      contacts.push_back(contact);
    }
    down.clear();
  } else {
    const double ratio = widget->devicePixelRatioF();
    for (const QEventPoint& point : event.points()) {
      TOUCHINPUT contact{};
      contact.x = Hundredths(point.globalPosition().x(), ratio);
      contact.y = Hundredths(point.globalPosition().y(), ratio);
      contact.hSource = const_cast<QPointingDevice*>(event.pointingDevice());
      contact.dwID = static_cast<DWORD>(point.id());
      contact.dwTime = static_cast<DWORD>(event.timestamp());
      switch (point.state()) {
        case QEventPoint::State::Pressed:
          contact.dwFlags = TOUCHEVENTF_DOWN;
          down[contact.dwID] = contact;
          break;
        case QEventPoint::State::Released:
          contact.dwFlags = TOUCHEVENTF_UP;
          down.erase(contact.dwID);
          break;
        case QEventPoint::State::Stationary:
          // A resting finger is where it was last seen; its event point need not say so.
          if (const auto it = down.find(contact.dwID); it != down.end()) {
            contact.x = it->second.x;
            contact.y = it->second.y;
          }
          [[fallthrough]];
        default:  // the screen reports every contact it tracks
          contact.dwFlags = TOUCHEVENTF_MOVE;
          down[contact.dwID] = contact;
          break;
      }
      contacts.push_back(contact);
    }
  }
  if (down.empty()) downContacts.erase(widget);
  if (contacts.empty()) return false;
  const uintptr_t handle = ++lastHandle;
  message.Msg = WM_TOUCH;
  message.WParam = contacts.size();
  message.LParam = static_cast<LPARAM>(handle);
  message.Result = 0;
  openInputs.emplace(handle, std::move(contacts));
  return true;
}
