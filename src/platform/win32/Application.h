#pragma once

#include <chrono>
#include <exception>
#include <functional>
#include <string>

namespace platform {

class TWindowHost;

// The application object of the Windows build: one per process. It holds the application
// title (UTF-8), the main window and the terminate request, and runs the thread's message
// loop, where the workers' hand-offs are served too. Exceptions that escape a message handler
// end at its HandleException: EAbort is dropped, anything else is shown in an error box and
// the program goes on.
class TApplication {
public:
  TApplication(int& argc, char** argv);
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // The one instance, or null outside its lifetime.
  static TApplication* Instance() noexcept;

  const std::string& Title() const noexcept { return m_title; }
  void SetTitle(const std::string& title) { m_title = title; }

  // The first window registered becomes the main window; later ones are ignored.
  TWindowHost* MainWindow() const noexcept { return m_mainWindow; }
  void RegisterForm(TWindowHost* form);

  // Makes the main window visible, then dispatches messages until a terminate request has
  // been taken. Returns the process exit code, 0.
  int Run();

  // Posts a quit request (PostQuitMessage) to the user-interface thread's loop; it ends when
  // the loop takes it. Safe to call before the loop runs; call it on the user-interface thread.
  void Terminate();
  bool Terminated() const noexcept { return m_terminated; }

  // Message dispatch's catch point.
  void HandleException(const std::exception_ptr& error);

  // Runs `handler` as a message handler: whatever escapes it goes to HandleException.
  void Dispatch(const std::function<void()>& handler);

  // Dispatches the messages waiting now (a window paints what a handler changed), then
  // returns; a quit request it meets stays for the loop.
  void ProcessMessages();
  // Runs `handler` as a message handler once `delay` has passed (a thread timer), unless the
  // application object is gone by then.
  void DispatchAfter(std::chrono::milliseconds delay, std::function<void()> handler);

private:
  std::string m_title;
  TWindowHost* m_mainWindow = nullptr;

  bool m_terminated = false;
};

} // namespace platform
