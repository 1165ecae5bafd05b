#include "client.h"

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
  uint32_t attempt = 0;
  if (request.size() >= 4) std::memcpy(&attempt, request.data(), 4);
  std::optional<std::string> answer;
  if (ask && request.size() >= 4) answer = ask(attempt, request.substr(4));
  std::string frame(5, '\0');
  frame[0] = answer && answer->size() <= kPasswordMax ? kPasswordGiven : kPasswordNone;
  if (frame[0] == kPasswordGiven) {
    const uint32_t len = static_cast<uint32_t>(answer->size());
    std::memcpy(frame.data() + 1, &len, 4);
    frame += *answer;
  }
  SendAll(fd, frame.data(), frame.size());
  ::explicit_bzero(frame.data(), frame.size());
  if (answer) ::explicit_bzero(answer->data(), answer->size());
}

}  // namespace

WorkerRun RunWorker(const std::vector<std::string>& args, const std::vector<std::string>& names,
                    const RecordHandler& onRecord, const PasswordHandler& ask) {
  WorkerRun run;
  int in[2], out[2];
  // A socket for the names, so a dead worker cannot raise SIGPIPE in the program.
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in) != 0) return run;
  if (::pipe2(out, O_CLOEXEC) != 0) {
    ::close(in[0]);
    ::close(in[1]);
    return run;
  }
  const std::string worker = WorkerPath();
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
  if (spawned != 0) {
    ::close(in[0]);
    ::close(out[0]);
    run.problems.push_back("書庫を処理するプログラム " + worker + " を起動できません。");
    return run;
  }

  std::string input;
  // NUL ends each name: a name may hold any other byte, a line end too. An
  // empty name ends the list; the socket stays open for password answers.
  for (const std::string& n : names) input += n + '\0';
  input += '\0';
  SendAll(in[0], input.data(), input.size());

  const int timeout = TimeoutMs();
  bool ended = false, timedOut = false;
  BufferedReader reader(out[0]);
  for (;;) {
    char head[5];
    const Read r = reader.Take(head, 5, timeout);
    if (r != Read::Ok) {
      timedOut = r == Read::Silent;
      break;
    }
    const uint32_t len = static_cast<unsigned char>(head[1]) | static_cast<unsigned char>(head[2]) << 8 |
                         static_cast<unsigned char>(head[3]) << 16 | static_cast<uint32_t>(static_cast<unsigned char>(head[4])) << 24;
    if (len > (64u << 20)) break;
    std::string payload(len, '\0');
    if (len) {
      const Read body = reader.Take(payload.data(), len, timeout);
      if (body != Read::Ok) {
        timedOut = body == Read::Silent;
        break;
      }
    }
    const Rec type = static_cast<Rec>(head[0]);
    if (type == Rec::End && len >= 4) {
      std::memcpy(&run.status, payload.data(), 4);
      ended = true;
      break;
    }
    if (type == Rec::Problem && len >= 4) run.problems.push_back(payload.substr(4));
    if (type == Rec::Password) {
      AnswerPassword(in[0], payload, ask);
      continue;
    }
    if (onRecord && !onRecord(type, payload)) {
      run.stopped = true;
      break;
    }
  }
  ::close(out[0]);
  ::close(in[0]);
  if (!ended) ::kill(pid, SIGKILL);
  int wstatus = 0;
  while (::waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
  }
  if (!ended && !run.stopped) {
    run.status = kErrorWorker;
    if (timedOut)
      run.problems.push_back("書庫の処理が応答しなくなったため中止しました。");
    else if (WIFSIGNALED(wstatus))
      run.problems.push_back("書庫の処理が異常終了しました (シグナル " + std::to_string(WTERMSIG(wstatus)) +
                             ")。書庫が壊れている可能性があります。");
    else
      run.problems.push_back("書庫の処理が途中で終了しました。");
  }
  return run;
}

}  // namespace arc
