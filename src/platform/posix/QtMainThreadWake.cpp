#include "platform/MainThreadWake.h"
#include "platform/TThread.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <atomic>

namespace platform {

namespace {

const QEvent::Type WakeEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

// Lives on the user-interface thread; a posted wake event makes it run the pending calls.
class Dispatcher : public QObject {
public:
  bool event(QEvent* event) override {
    if (event->type() != WakeEvent)
      return QObject::event(event);
    CheckSynchronize();
    return true;
  }
};

// Set on the user-interface thread, read by the workers.
std::atomic<Dispatcher*> g_dispatcher{nullptr};

} // namespace

void PrepareWake() {
  if (g_dispatcher || !QCoreApplication::instance())
    return;
  auto* dispatcher = new Dispatcher;
  dispatcher->moveToThread(QCoreApplication::instance()->thread());
  // Also whenever the event loop is about to wait.
  if (auto* events = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread()))
    QObject::connect(events, &QAbstractEventDispatcher::aboutToBlock, dispatcher,
                     [] { CheckSynchronize(); });
  g_dispatcher = dispatcher;
}

void WakeMainThread() {
  if (Dispatcher* dispatcher = g_dispatcher)
    QCoreApplication::postEvent(dispatcher, new QEvent(WakeEvent));
}

void EndWake() {
  delete g_dispatcher.exchange(nullptr);
}

} // namespace platform
