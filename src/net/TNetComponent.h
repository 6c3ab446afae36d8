#pragma once

#include <array>
#include <functional>
#include <string>

namespace net {

enum TNetStatus {
  hsResolving,
  hsConnecting,
  hsConnected,
  hsDisconnecting,
  hsDisconnected,
  hsStatusText,
  ftpTransfer,
  ftpReady,
  ftpAborted
};

enum TWorkMode { wmRead, wmWrite };

class TNetComponent;

using TNetStatusEvent =
    std::function<void(TNetComponent* sender, TNetStatus status, const std::string& text)>;
using TWorkBeginEvent =
    std::function<void(TNetComponent* sender, TWorkMode mode, int workCountMax)>;
using TWorkEvent = std::function<void(TNetComponent* sender, TWorkMode mode, int workCount)>;
using TWorkEndEvent = std::function<void(TNetComponent* sender, TWorkMode mode)>;
using TNotifyEvent = std::function<void(TNetComponent* sender)>;

// The status text of `status` formatted with `argument`.
std::string StatusText(TNetStatus status, const std::string& argument);

class TNetBaseComponent {
public:
  virtual ~TNetBaseComponent() = default;
};

// A transport component: keeps the shared socket stack alive while it exists, and raises the
// status and work notifications.
class TNetComponent : public TNetBaseComponent {
public:
  TNetComponent();
  ~TNetComponent() override;
  TNetComponent(const TNetComponent&) = delete;
  TNetComponent& operator=(const TNetComponent&) = delete;

  TNetStatusEvent OnStatus;
  TWorkBeginEvent OnWorkBegin;
  TWorkEvent OnWork;
  TWorkEndEvent OnWorkEnd;

  void DoStatus(TNetStatus status, const std::string& argument = {});
  void BeginWork(TWorkMode mode, int workCountMax = 0);
  void DoWork(TWorkMode mode, int count);
  void EndWork(TWorkMode mode);

private:
  struct WorkState {
    int nesting = 0;
    int count = 0;
    int maximum = 0;
  };
  std::array<WorkState, 2> m_work{};
};

} // namespace net
