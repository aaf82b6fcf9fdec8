// Running a piece of a test in a forked child process, whose limits, signals
// and locks the piece may change freely without touching the test's own.
#ifndef KELVANE_TESTS_HELPERS_CHILD_PROCESS_H
#define KELVANE_TESTS_HELPERS_CHILD_PROCESS_H

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace Kelvane {

// Runs `body` in a forked child; ChildProcessSucceeded waits for it and
// gives whether `body` returned true there.
inline pid_t StartChildProcess(const std::function<bool()>& body) {
  const pid_t child = fork();
  if (child == 0) _exit(body() ? 0 : 1);
  return child;
}
inline bool ChildProcessSucceeded(pid_t child) {
  int status = -1;
  return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace Kelvane

#endif  // KELVANE_TESTS_HELPERS_CHILD_PROCESS_H
