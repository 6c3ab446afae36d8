#include "net/TNetComponent.h"

#include "net/TNetStack.h"

namespace net {

std::string StatusText(TNetStatus status, const std::string& argument) {
  switch (status) {
  case hsResolving:
    return "Resolving hostname " + argument + ".";
  case hsConnecting:
    return "Connecting to " + argument + ".";
  case hsConnected:
    return "Connected.";
  case hsDisconnecting:
    return "Disconnecting.";
  case hsDisconnected:
    return "Disconnected.";
  default:
    return argument;
  }
}

TNetComponent::TNetComponent() {
  AcquireSharedStack();
}

TNetComponent::~TNetComponent() {
  ReleaseSharedStack();
}

void TNetComponent::DoStatus(TNetStatus status, const std::string& argument) {
  if (OnStatus)
    OnStatus(this, status, StatusText(status, argument));
}

void TNetComponent::BeginWork(TWorkMode mode, int workCountMax) {
  WorkState& work = m_work[mode];
  if (++work.nesting == 1) {
    work.maximum = workCountMax;
    work.count = 0;
    if (OnWorkBegin)
      OnWorkBegin(this, mode, workCountMax);
  }
}

void TNetComponent::DoWork(TWorkMode mode, int count) {
  WorkState& work = m_work[mode];
  if (work.nesting < 1)
    return;
  work.count += count;
  if (OnWork)
    OnWork(this, mode, work.count);
}

void TNetComponent::EndWork(TWorkMode mode) {
  WorkState& work = m_work[mode];
  if (work.nesting == 1 && OnWorkEnd)
    OnWorkEnd(this, mode);
  if (work.nesting > 0)
    --work.nesting;
}

} // namespace net
