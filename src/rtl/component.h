// Components: objects with an owner that frees them (the last created first), a name, and
// removal notifications, so that a component referring to another hears of its end before the
// reference dangles. Components live on one thread (the windows' thread) and take no lock.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rtl/persistent.h"

namespace rtl {

enum TOperation { opInsert, opRemove };

// Bits of ComponentState.
using TComponentState = uint32_t;
inline constexpr TComponentState csLoading = 1u << 0;     // properties being streamed in
inline constexpr TComponentState csDestroying = 1u << 1;  // its destructor has begun
inline constexpr TComponentState csDesigning = 1u << 2;   // being designed, not run

class TComponent : public TPersistent {
 public:
  // Joins AOwner's components (AOwner may be nullptr).
  explicit TComponent(TComponent* AOwner);
  // Tells the components that asked (FreeNotification) and, through the owner, its siblings,
  // then frees the components it owns, last created first.
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  std::string ClassName() const override { return "TComponent"; }

  const std::string& Name() const { return name_; }
  void SetName(const std::string& Value) { name_ = Value; }
  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  // EListError outside 0 .. ComponentCount - 1.
  TComponent* Components(int Index) const;
  TComponentState ComponentState() const { return state_; }

  // AComponent's Notification(this, opRemove) comes when this component ends, and this one's
  // when AComponent ends. Components of one owner hear of each other through the owner anyway.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  // Takes AComponent over from its present owner; tells everyone opInsert.
  void InsertComponent(TComponent* AComponent);
  // Releases AComponent (it then has no owner); tells everyone opRemove first.
  void RemoveComponent(TComponent* AComponent);
  // Frees the owned components, last created first. The destructor calls it; a subclass whose
  // own Notification should hear of the removals calls it first in its destructor.
  void DestroyComponents();

 protected:
  // AComponent joins (opInsert) or leaves (opRemove) the owner's family or ends. The base
  // forgets a removed component's free notification and passes the news to every owned
  // component; an override calls it first.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  // After streaming: the base clears csLoading; an override calls it.
  virtual void Loaded();
  void SetDesigning(bool Value);

  friend class TReader;

 private:
  void Unlink(TComponent* AComponent);

  std::string name_;
  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
  TComponentState state_ = 0;
};

}  // namespace rtl
