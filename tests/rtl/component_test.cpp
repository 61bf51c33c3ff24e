// Components: the owner frees what it owns last-created-first, and a component that refers to
// another hears of its end (directly or through the common owner) before the reference dangles.
#include "rtl/component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rtl/sysutils.h"

namespace {

using namespace rtl;

// Records its notifications and its end; keeps one reference to another component, dropped
// when that one is removed.
class TProbe : public TComponent {
 public:
  TProbe(TComponent* owner, const std::string& name, std::vector<std::string>* log)
      : TComponent(owner), log_(log) {
    SetName(name);
  }
  ~TProbe() override {
    if (log_) log_->push_back("free " + Name());
  }

  void Refer(TComponent* target, bool askFreeNotification) {
    ref = target;
    if (askFreeNotification) target->FreeNotification(this);
  }

  TComponent* ref = nullptr;
  int removalsHeard = 0;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == ref) {
      ref = nullptr;
      ++removalsHeard;
    }
  }

 private:
  std::vector<std::string>* log_;
};

TEST(Component, OwnerFreesWhatItOwnsLastCreatedFirst) {
  std::vector<std::string> log;
  auto* form = new TProbe(nullptr, "form", &log);
  new TProbe(form, "graph", &log);
  auto* grabber = new TProbe(form, "grabber", &log);
  new TProbe(grabber, "inner", &log);
  new TProbe(form, "source", &log);
  ASSERT_EQ(form->ComponentCount(), 3);
  EXPECT_EQ(form->Components(1), grabber);
  EXPECT_EQ(grabber->Owner(), form);
  delete form;
  EXPECT_EQ(log, (std::vector<std::string>{"free form", "free source", "free grabber", "free inner",
                                           "free graph"}));
}

TEST(Component, AComponentEndingIsHeardOfByThoseReferringToIt) {
  // where: the referrer and the referred component share an owner, or have none, or
  // different ones; asked: whether the referrer asked for a free notification.
  enum Where { kSiblings, kNoOwners, kOtherOwners };
  struct Case {
    const char* what;
    Where where;
    bool asked;
    int heard;
  } cases[] = {
      {"siblings hear through their owner", kSiblings, false, 1},
      {"siblings that asked hear once", kSiblings, true, 1},
      {"unowned, asked", kNoOwners, true, 1},
      {"unowned, not asked", kNoOwners, false, 0},
      {"other owners, asked", kOtherOwners, true, 1},
  };
  for (const Case& c : cases) {
    TComponent formA(nullptr), formB(nullptr);
    TComponent* ownerTarget = c.where == kNoOwners ? nullptr : &formA;
    TComponent* ownerReferrer = c.where == kSiblings      ? &formA
                                : c.where == kOtherOwners ? &formB
                                                          : nullptr;
    auto* target = new TProbe(ownerTarget, "graph", nullptr);
    auto* referrer = new TProbe(ownerReferrer, "grabber", nullptr);
    referrer->Refer(target, c.asked);
    delete target;
    EXPECT_EQ(referrer->removalsHeard, c.heard) << c.what;
    EXPECT_EQ(referrer->ref, c.heard ? nullptr : target) << c.what;
    if (!ownerReferrer) delete referrer;
  }
}

TEST(Component, AReferrerThatEndsFirstIsNotNotifiedLater) {
  TComponent formA(nullptr), formB(nullptr);
  auto* target = new TProbe(&formA, "graph", nullptr);
  auto* watcher = new TProbe(&formB, "watcher", nullptr);
  auto* referrer = new TProbe(&formB, "grabber", nullptr);
  referrer->Refer(target, true);
  watcher->Refer(target, true);
  delete referrer;  // the target must forget it: its end would otherwise call a freed object
  delete target;
  EXPECT_EQ(watcher->removalsHeard, 1);
}

TEST(Component, IndexOutsideTheComponentsIsAListError) {
  TComponent form(nullptr);
  new TComponent(&form);
  for (int index : {-1, 1}) {
    try {
      form.Components(index);
      ADD_FAILURE() << index;
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), "List index out of bounds (" + std::to_string(index) + ")");
    }
  }
}

TEST(SysUtils, AssertRaisesItsMessageOrTheDefaultText) {
  EXPECT_NO_THROW(Assert(true, "never"));
  struct Case {
    std::string given, expected;
  } cases[] = {{"IPin not assigned", "IPin not assigned"}, {"", "Assertion failed"}};
  for (const Case& c : cases) {
    try {
      Assert(false, c.given);
      ADD_FAILURE() << c.given;
    } catch (const Exception& e) {  // the base catches it, as a handler of all errors would
      EXPECT_NE(dynamic_cast<const EAssertionFailed*>(&e), nullptr);
      EXPECT_EQ(e.Message(), c.expected);
      EXPECT_STREQ(e.what(), c.expected.c_str());
    }
  }
}

}  // namespace
