#include "platform/gui/Component.h"

#include <algorithm>
#include <cctype>

namespace {

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

bool IsIdentifier(const std::string& name) {
  if (name.empty()) return true;  // an unnamed component is allowed
  auto first = static_cast<unsigned char>(name[0]);
  if (!(std::isalpha(first) || first == '_')) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    auto u = static_cast<unsigned char>(c);
    return std::isalnum(u) || u == '_';
  });
}

void Erase(std::vector<TComponent*>& list, TComponent* item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

}  // namespace

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  state_ |= csDestroying;
  // Those that asked to hear about us forget us before we go.
  while (!free_notifies_.empty()) {
    TComponent* other = free_notifies_.back();
    free_notifies_.pop_back();
    Erase(other->free_notifies_, this);
    if (!other->Destroying()) other->Notification(this, TOperation::opRemove);
  }
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
  // Each owned component removes itself from the list as it dies; take from
  // the end so that the list shrinks without reordering.
  while (!components_.empty()) {
    TComponent* last = components_.back();
    last->state_ |= csDestroying;
    components_.pop_back();
    last->owner_ = nullptr;
    NotifyAll(last, TOperation::opRemove);
    delete last;
  }
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameName(c->name_, name)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  if (!component || component->owner_ == this) return;
  if (!component->name_.empty() && FindComponent(component->name_))
    throw EComponentError("A component named " + component->name_ + " already exists");
  if (component->owner_) component->owner_->RemoveComponent(component);
  components_.push_back(component);
  component->owner_ = this;
  NotifyAll(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (!component || component->owner_ != this) return;
  NotifyAll(component, TOperation::opRemove);
  Erase(components_, component);
  component->owner_ = nullptr;
}

void TComponent::NotifyAll(TComponent* component, TOperation operation) {
  if (Destroying()) return;
  Notification(component, operation);
}

void TComponent::SetName(const std::string& name) {
  if (SameName(name, name_) && name == name_) return;
  if (!IsIdentifier(name)) throw EComponentError("Component name \"" + name + "\" is not a valid identifier");
  if (owner_ && !name.empty()) {
    TComponent* other = owner_->FindComponent(name);
    if (other && other != this) throw EComponentError("A component named " + name + " already exists");
  }
  name_ = name;
}

void TComponent::FreeNotification(TComponent* other) {
  if (!other || other == this) return;
  if (std::find(free_notifies_.begin(), free_notifies_.end(), other) == free_notifies_.end()) {
    free_notifies_.push_back(other);
    other->free_notifies_.push_back(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* other) {
  if (!other) return;
  Erase(free_notifies_, other);
  Erase(other->free_notifies_, this);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  // An owned part that goes away takes its references with it: pass the news
  // down so that parts referring to a sibling clear their pointers.
  if (operation != TOperation::opRemove) return;
  for (TComponent* c : components_)
    if (c != component && !c->Destroying()) c->Notification(component, operation);
}

void TComponent::BeginLoading() {
  state_ |= csLoading;
  for (TComponent* c : components_) c->BeginLoading();
}

void TComponent::EndLoading() {
  // Copy: a Loaded handler may create or free parts.
  std::vector<TComponent*> parts = components_;
  for (TComponent* c : parts)
    if (std::find(components_.begin(), components_.end(), c) != components_.end()) c->EndLoading();
  if (Loading()) Loaded();
}

void TComponent::Loaded() { state_ &= ~csLoading; }
