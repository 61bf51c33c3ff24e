// Time from process start to the main window shown. The parent spawns this program again as a
// child that runs the real start-up and reports the moment its main window is first exposed;
// the parent measures from just before the spawn. Uses the display in $DISPLAY, else offscreen.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "app/lumatap.h"
#include "ui/unitLumatap.h"

extern char** environ;

namespace {

long long NowNs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

class ExposeWatch : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!done_ && event->type() == QEvent::Expose && FormLumatap &&
        watched == FormLumatap->windowHandle() && FormLumatap->windowHandle()->isExposed()) {
      done_ = true;
      std::printf("%lld\n", NowNs());
      std::fflush(stdout);
      QTimer::singleShot(0, [] { FormLumatap->close(); });
    }
    return false;
  }

 private:
  bool done_ = false;
};

int Child(int argc, char** argv) {
  if (!getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  ExposeWatch watch;
  app.installEventFilter(&watch);
  return RunLumatap(argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--child") == 0) return Child(argc, argv);
  const int runs = argc > 1 ? std::atoi(argv[1]) : 10;
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    int out[2];
    if (pipe(out) != 0) return 1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char child[] = "--child";
    char* args[] = {argv[0], child, nullptr};
    pid_t pid;
    const long long start = NowNs();
    if (posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, args, environ) != 0) return 1;
    close(out[1]);
    char buffer[64] = {};
    const ssize_t n = read(out[0], buffer, sizeof buffer - 1);
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (n <= 0) {
      std::fprintf(stderr, "the child showed no window\n");
      return 1;
    }
    ms.push_back((std::atoll(buffer) - start) / 1e6);
  }
  std::sort(ms.begin(), ms.end());
  std::printf(
      "process start to main window shown: median %.1f ms, min %.1f ms, max %.1f ms (%d runs)\n",
      ms[ms.size() / 2], ms.front(), ms.back(), runs);
  return 0;
}
