#include "bench/support/curl_command.h"

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

bool run_curl(const std::vector<std::string>& arguments) {
  // No .curlrc (-q must come first) and no proxy from the environment: loopback only.
  std::vector<std::string> words = {"curl", "-q", "--noproxy", "*"};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  if (posix_spawnp(&child, "curl", nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  if (waitpid(child, &status, 0) != child) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
