// songsaver: saves a song of the karaoke-sharing service, given its share link, beside the
// program as "<title>.mp3".
#include <QApplication>
#include <filesystem>
#include <system_error>

#include "app/main_window.h"
#include "app/process_events.h"
#include "app/run_directory.h"
#include "app/system_text.h"
#include "platform/com/com_init.h"
#include "web/event_pump.h"

namespace {

// The program's own start-up work: none.
void on_startup() {}

// The automation runtime, initialised for the window's thread for the program's lifetime.
class OleSession {
 public:
  OleSession() : initialised_(OleInitialize(nullptr) >= 0) {}
  ~OleSession() {
    if (initialised_) OleUninitialize();
  }
  OleSession(const OleSession&) = delete;
  OleSession& operator=(const OleSession&) = delete;

 private:
  bool initialised_;
};

}  // namespace

int main(int argc, char** argv) {
  const OleSession ole;  // before any window exists
  QApplication application(argc, argv);
  const Text directory = run_directory();
  // Songs are saved by full path, so if the directory cannot be entered the inherited
  // current directory is kept and nothing else changes.
  std::error_code ignored;
  std::filesystem::current_path(directory.empty() ? "/" : text_to_utf8(directory), ignored);
  set_event_pump(&process_events);
  on_startup();
  auto* window = new MainWindow;  // deletes itself when closed
  window->show();
  return application.exec();
}
