#pragma once

#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <string>

namespace platform {

class TWindowHost;

// The application object: one per process. It holds the application title (UTF-8), the main
// window and the terminate request, and runs the system's event loop (the toolkit's on Linux,
// the thread's message loop on Windows), where the workers' hand-offs are served too.
// Exceptions that escape an event handler end at its HandleException: EAbort is dropped,
// anything else is shown in an error box and the program goes on.
class TApplication {
public:
  TApplication(int& argc, char** argv);
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // Whether windows can be shown now; when not, false and why, a line for the user (on Linux:
  // no display named, or the one named does not answer, where the toolkit would abort).
  static bool CanShowWindows(std::string& problem);

  // The one instance, or null outside its lifetime.
  static TApplication* Instance() noexcept { return s_instance; }

  const std::string& Title() const noexcept { return m_title; }
  void SetTitle(const std::string& title);

  // The first window registered becomes the main window; later ones are ignored. A main
  // window is the host of a form of self-drawn controls.
  TWindowHost* MainWindow() const noexcept { return m_mainWindow; }
  void RegisterForm(TWindowHost* form);

  // Makes the main window visible (unless a terminate request came first, or it is to stay
  // hidden), then dispatches events until a terminate request has been taken. Returns the
  // process exit code: 0 unless SetExitCode said otherwise.
  int Run();
  void SetExitCode(int code) noexcept { m_exitCode = code; }
  int ExitCode() const noexcept { return m_exitCode; }
  // Run does not show the main window: the program works without one.
  void KeepMainWindowHidden() noexcept { m_keepMainWindowHidden = true; }

  // Posts a quit request to the event loop; it ends when the loop takes it. Safe to call
  // before the loop runs; call it on the user-interface thread.
  void Terminate();
  bool Terminated() const noexcept { return m_terminated; }

  // Event dispatch's catch point.
  void HandleException(const std::exception_ptr& error);

  // Runs `handler` as an event handler: whatever escapes it goes to HandleException.
  void Dispatch(const std::function<void()>& handler);

  // Handles the events waiting now (a window paints what a handler changed), then returns; a
  // quit request it meets stays for the loop.
  void ProcessMessages();
  // Runs `handler` as an event handler once `delay` has passed, unless the application object
  // is gone by then.
  void DispatchAfter(std::chrono::milliseconds delay, std::function<void()> handler);

private:
  // What the system's event loop keeps besides (the toolkit's application object on Linux).
  struct TSystemLoop;

  inline static TApplication* s_instance = nullptr;
  std::unique_ptr<TSystemLoop> m_loop;
  std::string m_title;
  TWindowHost* m_mainWindow = nullptr;
  bool m_terminated = false;
  bool m_keepMainWindowHidden = false;
  int m_exitCode = 0;
};

} // namespace platform
