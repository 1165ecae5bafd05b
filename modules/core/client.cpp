#include "client.h"

#include "records.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace arc {
namespace {

// How long a worker may stay silent before it counts as hung.
int TimeoutMs() {
  const char* v = std::getenv("ZOT_ARCWORKER_TIMEOUT_MS");
  const int n = v ? std::atoi(v) : 0;
  return n > 0 ? n : 60000;
}

std::string WorkerPath() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&RunWorker), &info) && info.dli_fname) {
    std::string self = info.dli_fname;
    const size_t slash = self.rfind('/');
    if (slash != std::string::npos) {
      const std::string beside = self.substr(0, slash + 1) + "zot-arcworker";
      if (::access(beside.c_str(), X_OK) == 0) return beside;
    }
  }
  return ZOT_WORKER_FALLBACK;
}

enum class Read { Ok, Closed, Silent };

// The worker's output read in large pieces: a listing is tens of thousands
// of small records, and two system calls for each cost more than the
// listing itself.
class BufferedReader {
 public:
  explicit BufferedReader(int fd) : fd_(fd), buf_(size_t{1} << 16) {}
  Read Take(char* out, size_t n, int timeoutMs) {
    while (n > 0) {
      if (begin_ == end_) {
        const Read r = ReadSome(timeoutMs);
        if (r != Read::Ok) return r;
      }
      const size_t step = std::min(n, end_ - begin_);
      std::memcpy(out, buf_.data() + begin_, step);
      begin_ += step;
      out += step;
      n -= step;
    }
    return Read::Ok;
  }

 private:
  Read ReadSome(int timeoutMs) {
    for (;;) {
      pollfd p{fd_, POLLIN, 0};
      const int r = ::poll(&p, 1, timeoutMs);
      if (r == 0) return Read::Silent;
      if (r < 0) {
        if (errno == EINTR) continue;
        return Read::Closed;
      }
      const ssize_t got = ::read(fd_, buf_.data(), buf_.size());
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return Read::Closed;
      begin_ = 0;
      end_ = static_cast<size_t>(got);
      return Read::Ok;
    }
  }
  int fd_;
  std::vector<char> buf_;
  size_t begin_ = 0, end_ = 0;
};

// Sends all of data, or fails.
bool SendAll(int fd, const char* data, size_t size) {
  for (size_t sent = 0; sent < size;) {
    const ssize_t n = ::send(fd, data + sent, size - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

// Asks for the password the worker wants and hands it over; the copies
// made on the way are wiped.
void AnswerPassword(int fd, const std::string& request, const PasswordHandler& ask) {
  PasswordRequest r;
  std::optional<std::string> answer;
  if (ask && Decode(request, &r)) answer = ask(r.attempt, r.member);
  const bool given = answer && answer->size() <= kPasswordMax;
  std::string frame = given ? Frame(kPasswordGiven, *answer) : FrameHead(kPasswordNone, 0);
  SendAll(fd, frame.data(), frame.size());
  ::explicit_bzero(frame.data(), frame.size());
  if (answer) ::explicit_bzero(answer->data(), answer->size());
}

}  // namespace

namespace {

// Starts the worker with its input on a socket (so a dead worker cannot
// raise SIGPIPE in the program) and its output on a pipe; the program's
// ends come back in in[0] and out[0]. -1 when it could not be started.
pid_t Spawn(const std::string& worker, const std::vector<std::string>& args, bool ask, int in[2], int out[2]) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in) != 0) return -1;
  if (::pipe2(out, O_CLOEXEC) != 0) {
    ::close(in[0]);
    ::close(in[1]);
    return -1;
  }
  std::vector<std::string> argvStrings{worker};
  argvStrings.insert(argvStrings.end(), args.begin(), args.end());
  if (ask) {
    // The flags are the fifth argument; the operations without a folder get an empty one.
    while (argvStrings.size() < 6) argvStrings.emplace_back();
    argvStrings[5] += 'p';
  }
  std::vector<char*> argv;
  for (std::string& s : argvStrings) argv.push_back(s.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[1], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attr, &none);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, worker.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  ::close(in[1]);
  ::close(out[1]);
  if (spawned == 0) return pid;
  ::close(in[0]);
  ::close(out[0]);
  return -1;
}

enum class Ending { Ended, Stopped, Closed, Silent };

// Relays the worker's records until its last one, answering its password
// requests on the way.
Ending Relay(int in, int out, const RecordHandler& onRecord, const PasswordHandler& ask, WorkerRun& run) {
  const int timeout = TimeoutMs();
  BufferedReader reader(out);
  for (;;) {
    char head[5];
    if (const Read r = reader.Take(head, 5, timeout); r != Read::Ok) return r == Read::Silent ? Ending::Silent : Ending::Closed;
    const uint32_t len = FrameLength(head);
    if (len > (64u << 20)) return Ending::Closed;
    std::string payload(len, '\0');
    if (len)
      if (const Read body = reader.Take(payload.data(), len, timeout); body != Read::Ok)
        return body == Read::Silent ? Ending::Silent : Ending::Closed;
    const Rec type = static_cast<Rec>(head[0]);
    if (type == Rec::End && DecodeU32(payload, &run.status)) return Ending::Ended;
    if (Outcome o; type == Rec::Problem && Decode(payload, &o)) run.problems.push_back(Describe(o));
    if (type == Rec::Password) {
      AnswerPassword(in, payload, ask);
      continue;
    }
    if (onRecord && !onRecord(type, payload)) return Ending::Stopped;
  }
}

void Fail(WorkerRun& run, const Outcome& o) {
  run.status = o.status;
  run.problems.push_back(Describe(o));
}

}  // namespace

WorkerRun RunWorker(const std::vector<std::string>& args, const std::vector<std::string>& names,
                    const RecordHandler& onRecord, const PasswordHandler& ask) {
  WorkerRun run;
  int in[2], out[2];
  const std::string worker = WorkerPath();
  const pid_t pid = Spawn(worker, args, static_cast<bool>(ask), in, out);
  if (pid < 0) {
    Fail(run, {kErrorWorker, Reason::WorkerNotStarted, {}, {worker}});
    return run;
  }
  std::string input;
  // NUL ends each name: a name may hold any other byte, a line end too. An
  // empty name ends the list; the socket stays open for password answers.
  for (const std::string& n : names) input += n + '\0';
  input += '\0';
  SendAll(in[0], input.data(), input.size());
  const Ending ending = Relay(in[0], out[0], onRecord, ask, run);
  run.stopped = ending == Ending::Stopped;
  ::close(out[0]);
  ::close(in[0]);
  if (ending != Ending::Ended) ::kill(pid, SIGKILL);
  int wstatus = 0;
  while (::waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
  }
  if (ending == Ending::Silent) Fail(run, {kErrorWorker, Reason::WorkerSilent, {}, {}});
  else if (ending == Ending::Closed && WIFSIGNALED(wstatus))
    Fail(run, {kErrorWorker, Reason::WorkerCrashed, {}, {std::to_string(WTERMSIG(wstatus))}});
  else if (ending == Ending::Closed)
    Fail(run, {kErrorWorker, Reason::WorkerEnded, {}, {}});
  return run;
}

}  // namespace arc
