// Runs the app tests from a copy of this executable in a fresh temporary directory, so that
// the program's run directory (where songs are saved) is a directory of the test's own,
// removed afterwards. The copy runs the tests as the program runs: the automation runtime
// initialised for the thread, the offscreen platform, and the window's event pump.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/process_events.h"
#include "platform/com/com_init.h"
#include "web/event_pump.h"

namespace {

constexpr const char* relocated_marker = "SONGSAVER_TEST_RELOCATED";

int run_relocated_copy(char** argv) {
  std::string directory = (std::filesystem::temp_directory_path() / "songsaver-run-XXXXXX");
  if (mkdtemp(directory.data()) == nullptr) return 2;
  const std::filesystem::path copy = std::filesystem::path(directory) / "app_test";
  std::error_code error;
  std::filesystem::copy_file("/proc/self/exe", copy, error);
  int status = 2;
  if (!error) {
    const pid_t child = fork();
    if (child == 0) {
      setenv(relocated_marker, "1", 1);
      execv(copy.c_str(), argv);
      _exit(127);
    }
    if (child > 0 && waitpid(child, &status, 0) == child) {
      status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
  }
  std::filesystem::remove_all(directory, error);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv(relocated_marker) == nullptr) return run_relocated_copy(argv);
  OleInitialize(nullptr);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  int status = 0;
  {
    QApplication application(argc, argv);
    set_event_pump(&process_events);
    testing::InitGoogleTest(&argc, argv);
    status = RUN_ALL_TESTS();
  }
  OleUninitialize();
  return status;
}
