#pragma once

#include <string>

namespace platform {

// The event loop of a program without windows (the command-line tool): it lets worker threads
// hand off to the thread that made it, which becomes the user-interface thread. One per
// process, made on the main thread before any worker starts.
class TConsoleApplication {
public:
  TConsoleApplication(int& argc, char** argv);
  ~TConsoleApplication();
  TConsoleApplication(const TConsoleApplication&) = delete;
  TConsoleApplication& operator=(const TConsoleApplication&) = delete;

private:
  struct State;
  State* m_state = nullptr;
};

// Runs what is waiting for the user-interface thread (hand-offs, posted events); with `wait`
// it first sleeps until something arrives.
void ProcessMessages(bool wait);

// Writes the bytes unchanged (no line-end translation) to standard output; false on a failure.
bool WriteStandardOutput(const std::string& bytes);

} // namespace platform
