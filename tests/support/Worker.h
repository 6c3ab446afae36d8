#pragma once

#include "platform/TThread.h"

#include <atomic>
#include <functional>

namespace testsupport {

// A worker thread whose body is a function given the worker (to ask whether it is terminated);
// `destroyed`, when given, is set as the worker goes.
class Worker : public platform::TThread {
public:
  explicit Worker(std::function<void(Worker&)> body, std::atomic<bool>* destroyed = nullptr)
      : m_body(std::move(body)), m_destroyed(destroyed) {}
  ~Worker() override {
    if (m_destroyed)
      m_destroyed->store(true);
  }
  using TThread::Terminated;

protected:
  void Execute() override { m_body(*this); }

private:
  std::function<void(Worker&)> m_body;
  std::atomic<bool>* m_destroyed;
};

} // namespace testsupport
