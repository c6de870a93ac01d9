#include "document/soffice/child_process.h"
#include "platform/translation.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iterator>
#include <thread>

extern char** environ;

namespace quillmere::document {

namespace {

// The spawn settings: its own process group, default signal handling, and
// the standard streams on /dev/null and the log.
class SpawnSettings {
 public:
  explicit SpawnSettings(const std::string& log_path) {
    posix_spawn_file_actions_init(&actions_);
    posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions_, 1, log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions_, 1, 2);
    posix_spawnattr_init(&attributes_);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes_, &none);
    posix_spawnattr_setsigdefault(&attributes_, &all);
    posix_spawnattr_setpgroup(&attributes_, 0);
    posix_spawnattr_setflags(
        &attributes_, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  }
  ~SpawnSettings() {
    posix_spawn_file_actions_destroy(&actions_);
    posix_spawnattr_destroy(&attributes_);
  }
  const posix_spawn_file_actions_t* actions() const { return &actions_; }
  const posix_spawnattr_t* attributes() const { return &attributes_; }

 private:
  posix_spawn_file_actions_t actions_;
  posix_spawnattr_t attributes_;
};

// Whether the child has ended, leaving it unreaped so that its process
// group cannot vanish before it is killed. A child that cannot be waited
// for (children reaped by the system) counts as ended.
bool HasEnded(pid_t pid) {
  siginfo_t info;
  std::memset(&info, 0, sizeof info);
  if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
    return errno != EINTR;
  }
  return info.si_pid == pid;
}

int Reap(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : status;
}

// This process's environment with `changes` in place of the variables they
// name.
std::vector<std::string> ChangedEnvironment(const std::vector<std::string>& changes) {
  auto name_of = [](const std::string& entry) { return entry.substr(0, entry.find('=') + 1); };
  std::vector<std::string> out;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string current = *entry;
    bool changed = false;
    for (const std::string& change : changes) changed |= name_of(change) == name_of(current);
    if (!changed) out.push_back(current);
  }
  out.insert(out.end(), changes.begin(), changes.end());
  return out;
}

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};
volatile sig_atomic_t stop_signal = 0;
int deferrals = 0;  // StopSignalsDeferred standing
struct sigaction previous[std::size(kStopSignals)];
bool handled[std::size(kStopSignals)];

extern "C" void NoteStopSignal(int signal) { stop_signal = signal; }

std::string Duration(std::chrono::milliseconds time) {
  if (time.count() % 1000 == 0) return std::to_string(time.count() / 1000) + " s";
  return std::to_string(time.count()) + " ms";
}

}  // namespace

Status RunToCompletion(const std::vector<std::string>& argv, const std::string& log_path,
                       const std::vector<std::string>& environment,
                       std::chrono::milliseconds time_limit,
                       const std::function<Status()>& keep_going, int* exit_code) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const std::vector<std::string> variables = ChangedEnvironment(environment);
  std::vector<char*> env;
  for (const std::string& variable : variables) env.push_back(const_cast<char*>(variable.c_str()));
  env.push_back(nullptr);

  SpawnSettings settings(log_path);
  pid_t pid = 0;
  int error = posix_spawn(&pid, args[0], settings.actions(), settings.attributes(), args.data(),
                          env.data());
  if (error != 0) {
    return Status(ErrorNumber::kConverterFailed,
                  Fill(Tr("Cannot run \"%1$s\": %2$s."), argv[0], strerrordesc_np(error)));
  }

  const auto deadline = std::chrono::steady_clock::now() + time_limit;
  bool timed_out = false;
  Status stopped;
  while (!HasEnded(pid)) {
    if (int signal = StopSignalsDeferred::Noted(); signal != 0) {
      stopped = Status(ErrorNumber::kRunCancelled,
                       Fill(Tr("The run was stopped (SIG%1$s) while \"%2$s\" converted the "
                               "document."),
                            sigabbrev_np(signal), argv[0]));
      break;
    }
    if (keep_going && !(stopped = keep_going()).ok()) break;
    if (std::chrono::steady_clock::now() >= deadline) {
      timed_out = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(-pid, SIGKILL);  // the group: the child if it still runs, and anything it left
  *exit_code = Reap(pid);
  if (!stopped.ok()) return stopped;
  if (timed_out) {
    return Status(ErrorNumber::kConverterTimeout,
                  Fill(Tr("\"%1$s\" did not finish within %2$s and was stopped."), argv[0],
                       Duration(time_limit)));
  }
  return Status();
}

StopSignalsDeferred::StopSignalsDeferred() {
  if (deferrals++ > 0) return;
  stop_signal = 0;
  struct sigaction note {};
  note.sa_handler = NoteStopSignal;
  note.sa_flags = SA_RESTART;  // the files being written meanwhile are not disturbed
  sigemptyset(&note.sa_mask);
  for (size_t i = 0; i < std::size(kStopSignals); ++i) {
    // A signal the user ignores (nohup) stays ignored.
    handled[i] = sigaction(kStopSignals[i], nullptr, &previous[i]) == 0 &&
                 previous[i].sa_handler != SIG_IGN &&
                 sigaction(kStopSignals[i], &note, nullptr) == 0;
  }
}

StopSignalsDeferred::~StopSignalsDeferred() {
  if (--deferrals > 0) return;
  for (size_t i = 0; i < std::size(kStopSignals); ++i) {
    if (handled[i]) sigaction(kStopSignals[i], &previous[i], nullptr);
  }
  if (const int signal = stop_signal; signal != 0) {
    stop_signal = 0;
    raise(signal);
  }
}

int StopSignalsDeferred::Noted() { return stop_signal; }

}  // namespace quillmere::document
