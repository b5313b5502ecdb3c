#pragma once
// The component model every form, control and non-visual part stands on: an
// owner that frees what it owns, a name to find a part by, notification when
// a part another one refers to goes away, and a loading phase during which
// property setters must not act yet (`Loaded` runs once it is over).
//
// Nothing here needs Qt, so non-visual parts can use it without an event loop.

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/core/Exceptions.h"

// A naming or ownership rule was broken.
class EComponentError : public Exception {
  using Exception::Exception;
};

enum class TOperation { opInsert, opRemove };

// ComponentState flags.
enum TComponentStateFlag : unsigned {
  csLoading = 1u << 0,
  csDestroying = 1u << 1,
  csDesigning = 1u << 2,
};

class TComponent {
 public:
  explicit TComponent(TComponent* owner = nullptr);
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  // Called once right after construction by Create<T>: the place for work
  // that must reach overrides of the most derived class.
  virtual void Init() {}

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const { return components_.at(static_cast<std::size_t>(index)); }
  // The owned component of that name (case-insensitive), or null.
  TComponent* FindComponent(const std::string& name) const;
  // Moves ownership: `component` leaves its old owner and joins this one.
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);

  const std::string& Name() const { return name_; }
  // Throws EComponentError when a sibling of the same owner has the name
  // already or the name is not an identifier.
  virtual void SetName(const std::string& name);

  std::intptr_t Tag() const { return tag_; }
  void SetTag(std::intptr_t tag) { tag_ = tag; }

  unsigned ComponentState() const { return state_; }
  bool Loading() const { return (state_ & csLoading) != 0; }
  bool Destroying() const { return (state_ & csDestroying) != 0; }
  bool Designing() const { return (state_ & csDesigning) != 0; }

  // Asks to be told (through Notification with opRemove) when `other` is
  // destroyed, even though this component does not own it. Mutual.
  void FreeNotification(TComponent* other);
  void RemoveFreeNotification(TComponent* other);

  // The loading phase: BeginLoading marks this component and everything it
  // owns as loading; EndLoading clears the mark and calls Loaded on each,
  // owned components first.
  void BeginLoading();
  void EndLoading();

 protected:
  virtual void Notification(TComponent* component, TOperation operation);
  // Called when the loading phase ends; the default clears csLoading.
  virtual void Loaded();
  // Frees every owned component now (a derived destructor that must outlive
  // its parts calls it first).
  void DestroyComponents();
  // Marks this component as being destroyed; owners skip notifying it.
  void MarkDestroying() { state_ |= csDestroying; }

 private:
  void NotifyAll(TComponent* component, TOperation operation);

  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> free_notifies_;
  std::string name_;
  std::intptr_t tag_ = 0;
  unsigned state_ = 0;
};

// Two-phase construction: builds T with its owner, then runs Init() so that
// a base's set-up reaches the derived overrides. The owner frees the result;
// without an owner the caller must (prefer CreateUnique then).
template <class T, class... Args>
T* Create(TComponent* owner, Args&&... args) {
  static_assert(std::is_base_of_v<TComponent, T>);
  auto object = std::make_unique<T>(owner, std::forward<Args>(args)...);
  object->Init();
  return object.release();
}

template <class T, class... Args>
std::unique_ptr<T> CreateUnique(Args&&... args) {
  static_assert(std::is_base_of_v<TComponent, T>);
  auto object = std::make_unique<T>(nullptr, std::forward<Args>(args)...);
  object->Init();
  return object;
}
