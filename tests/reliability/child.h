// The program run as a separate process, as a user runs it.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace quillmere::testing {

struct ChildOptions {
  std::string folder;                    // working folder
  std::string out, err;                  // files for standard output and error
  std::vector<std::string> environment;  // "NAME=value", added to the test's own
};

// Starts `args` (args[0] a path) and returns its process id, or -1.
inline pid_t Start(const std::vector<std::string>& args, const ChildOptions& options) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (char** e = environ; *e != nullptr; ++e) envp.push_back(*e);
  for (const std::string& e : options.environment) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_t pid = fork();
  if (pid != 0) return pid;
  // The child: only async-signal-safe calls until exec.
  if (!options.folder.empty() && chdir(options.folder.c_str()) != 0) _exit(126);
  int in = open("/dev/null", O_RDONLY);
  int out = open(options.out.empty() ? "/dev/null" : options.out.c_str(),
                 O_WRONLY | O_CREAT | O_TRUNC, 0644);
  int err = open(options.err.empty() ? "/dev/null" : options.err.c_str(),
                 O_WRONLY | O_CREAT | O_TRUNC, 0644);
  dup2(in, 0);
  dup2(out, 1);
  dup2(err, 2);
  execve(argv[0], argv.data(), envp.data());
  _exit(127);
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Waits for the process: its exit status, or 128 + the signal that ended it.
inline int Wait(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace quillmere::testing
