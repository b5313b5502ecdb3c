#pragma once
// The slot each side-effect service sits in: the program uses the real
// implementation; a test installs a fake for a scope with ScopedService.

#include <atomic>

template <class Service>
std::atomic<Service*>& InstalledService() {
  static std::atomic<Service*> slot{nullptr};
  return slot;
}

// The installed service, else the real one (made on first use).
template <class Service, class Real>
Service& CurrentService() {
  if (Service* service = InstalledService<Service>().load()) return *service;
  static Real real;
  return real;
}

template <class Service>
class ScopedService {
 public:
  explicit ScopedService(Service& service) : previous_(InstalledService<Service>().exchange(&service)) {}
  ~ScopedService() { InstalledService<Service>().store(previous_); }
  ScopedService(const ScopedService&) = delete;
  ScopedService& operator=(const ScopedService&) = delete;

 private:
  Service* previous_;
};
