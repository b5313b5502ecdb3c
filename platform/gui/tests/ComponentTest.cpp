#include "platform/gui/Component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records what happens to it into a shared log.
class Probe : public TComponent {
 public:
  Probe(TComponent* owner, std::vector<std::string>* log, std::string id = {})
      : TComponent(owner), log_(log), id_(std::move(id)) {}
  ~Probe() override { log_->push_back("destroy " + id_); }
  TComponent* watched = nullptr;
  int init_calls = 0;
  void Init() override { ++init_calls; }

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == watched) {
      watched = nullptr;
      log_->push_back(id_ + " lost its reference");
    }
  }
  void Loaded() override {
    TComponent::Loaded();
    log_->push_back("loaded " + id_);
  }

 private:
  std::vector<std::string>* log_;
  std::string id_;
};

// A base whose set-up reaches an override: only two-phase construction
// gets the derived answer.
class Base : public TComponent {
 public:
  using TComponent::TComponent;
  void Init() override { kind = Kind(); }
  virtual std::string Kind() const { return "base"; }
  std::string kind;
};
class Derived : public Base {
 public:
  using Base::Base;
  std::string Kind() const override { return "derived"; }
};

}  // namespace

TEST(Component, OwnerFreesOwnedPartsAndNamesAreUniquePerOwner) {
  std::vector<std::string> log;
  {
    auto owner = CreateUnique<Probe>(&log, "owner");
    auto* a = Create<Probe>(owner.get(), &log, "a");
    auto* b = Create<Probe>(owner.get(), &log, "b");
    a->SetName("btnBurn");
    EXPECT_EQ(owner->FindComponent("BTNBURN"), a);
    EXPECT_THROW(b->SetName("btnburn"), EComponentError);
    EXPECT_THROW(b->SetName("1abc"), EComponentError);
    EXPECT_EQ(b->Name(), "");
    EXPECT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(a->init_calls, 1);
    delete b;  // a part freed early leaves its owner's list
    EXPECT_EQ(owner->ComponentCount(), 1);
  }
  EXPECT_EQ(log, (std::vector<std::string>{"destroy b", "destroy owner", "destroy a"}));
}

TEST(Component, FreeNotificationClearsReferencesAcrossOwners) {
  std::vector<std::string> log;
  auto form1 = CreateUnique<Probe>(&log, "form1");
  auto form2 = CreateUnique<Probe>(&log, "form2");
  auto* user = Create<Probe>(form1.get(), &log, "user");
  auto* target = Create<Probe>(form2.get(), &log, "target");
  auto* sibling = Create<Probe>(form1.get(), &log, "sibling");
  user->watched = target;
  user->FreeNotification(target);
  sibling->watched = target;  // never asked: must not be told
  delete target;
  EXPECT_EQ(user->watched, nullptr);
  EXPECT_EQ(sibling->watched, target);
  EXPECT_NE(std::find(log.begin(), log.end(), "user lost its reference"), log.end());

  // A sibling under the same owner hears about removal without asking.
  auto* other = Create<Probe>(form1.get(), &log, "other");
  sibling->watched = other;
  delete other;
  EXPECT_EQ(sibling->watched, nullptr);
}

TEST(Component, LoadingPhaseEndsWithLoadedOnPartsFirst) {
  std::vector<std::string> log;
  auto owner = CreateUnique<Probe>(&log, "owner");
  auto* part = Create<Probe>(owner.get(), &log, "part");
  owner->BeginLoading();
  EXPECT_TRUE(owner->Loading());
  EXPECT_TRUE(part->Loading());
  owner->EndLoading();
  EXPECT_FALSE(owner->Loading());
  EXPECT_FALSE(part->Loading());
  EXPECT_EQ(log, (std::vector<std::string>{"loaded part", "loaded owner"}));
}

TEST(Component, TwoPhaseConstructionReachesTheOverride) {
  auto object = CreateUnique<Derived>();
  EXPECT_EQ(object->kind, "derived");
}

TEST(Component, InsertComponentMovesOwnership) {
  std::vector<std::string> log;
  auto a = CreateUnique<Probe>(&log, "a");
  auto b = CreateUnique<Probe>(&log, "b");
  auto* part = Create<Probe>(a.get(), &log, "part");
  part->SetName("Part1");
  b->InsertComponent(part);
  EXPECT_EQ(part->Owner(), b.get());
  EXPECT_EQ(a->ComponentCount(), 0);
  EXPECT_EQ(b->FindComponent("Part1"), part);
}
