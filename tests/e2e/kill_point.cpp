// Preloaded into korvath-cli (LD_PRELOAD) by the resume tests: kills the process with SIGKILL at
// one chosen call that writes or names a file, so that a test can cut a job off inside a journal
// commit or a save, moments too short to hit from outside. KORVATH_KILL_POINT says where:
//   "commit K start"   before the first frame of the K-th transaction written to a "-wal" file
//   "commit K torn"    after half of the K-th transaction's commit frame (its last frame)
//   "commit K done"    right after the K-th transaction's commit frame
//   "write HEX K"      after half of the K-th write() whose data starts with the bytes HEX
//   "place NAME K before|after"   around the K-th link or rename that gives a file the name NAME
//                      (a NAME ending in "*" is a name prefix)
// The calls are counted over the whole process, whichever thread makes them.
#include <dlfcn.h>
#include <signal.h>
#include <stdio.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <sstream>
#include <string>

namespace {

enum class Kind { None, Commit, Write, Place };

struct KillPoint {
  Kind kind = Kind::None;
  int count = 0;      // which occurrence, from 1
  std::string stage;  // start, torn, done; before, after
  std::string bytes;  // Write: the data's first bytes; Place: the name
};

std::mutex g_mutex;
int g_seen = 0;  // occurrences of the point's call so far
// The write-ahead log as SQLite writes it: a frame is a 24-byte header, then the page; a commit
// frame's header holds the database size, which no other frame has.
int g_commits = 0;
bool g_inTransaction = false;
bool g_commitPageNext = false;

[[noreturn]] void Die() {
  kill(getpid(), SIGKILL);
  for (;;) pause();
}

[[noreturn]] void RefuseSpec(const char* spec) {
  fprintf(stderr, "kill point: cannot read KORVATH_KILL_POINT \"%s\"\n", spec);
  _exit(125);
}

std::string FromHex(const std::string& hex, const char* spec) {
  if (hex.size() % 2 != 0) RefuseSpec(spec);
  std::string bytes;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    char* end = nullptr;
    const std::string digits = hex.substr(i, 2);
    bytes += char(std::strtoul(digits.c_str(), &end, 16));
    if (*end != '\0') RefuseSpec(spec);
  }
  return bytes;
}

KillPoint ReadKillPoint() {
  KillPoint point;
  const char* spec = getenv("KORVATH_KILL_POINT");
  if (spec == nullptr) return point;
  std::istringstream words(spec);
  std::string kind;
  words >> kind;
  if (kind == "commit") {
    point.kind = Kind::Commit;
    words >> point.count >> point.stage;
    if (point.stage != "start" && point.stage != "torn" && point.stage != "done") RefuseSpec(spec);
  } else if (kind == "write") {
    std::string hex;
    point.kind = Kind::Write;
    words >> hex >> point.count;
    point.bytes = FromHex(hex, spec);
  } else if (kind == "place") {
    point.kind = Kind::Place;
    words >> point.bytes >> point.count >> point.stage;
    if (point.stage != "before" && point.stage != "after") RefuseSpec(spec);
  } else {
    RefuseSpec(spec);
  }
  if (!words || point.count < 1 || point.bytes.empty() != (point.kind == Kind::Commit))
    RefuseSpec(spec);
  return point;
}

// Read at the first call that could be the point, by when the process is set up.
const KillPoint& Point() {
  static const KillPoint point = ReadKillPoint();
  return point;
}

template <typename Function>
Function Next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

bool IsWriteAheadLog(int fd) {
  char link[64];
  char path[4096];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t size = readlink(link, path, sizeof path - 1);
  if (size < 4) return false;
  path[size] = '\0';
  return std::string(path).ends_with("-wal");
}

bool NamesThePoint(const char* path) {
  std::string name(path);
  name = name.substr(name.rfind('/') + 1);
  const std::string& wanted = Point().bytes;
  if (wanted.ends_with('*')) return name.starts_with(wanted.substr(0, wanted.size() - 1));
  return name == wanted;
}

template <typename Write>
ssize_t WriteFrameOrPage(Write write, int fd, const void* data, std::size_t size, off64_t offset) {
  if (Point().kind != Kind::Commit || !IsWriteAheadLog(fd)) return write(fd, data, size, offset);
  std::lock_guard lock(g_mutex);
  const int transaction = g_commits + 1;
  const bool reached = transaction == Point().count;
  if (size == 24) {
    if (reached && !g_inTransaction && Point().stage == "start") Die();
    const auto* header = static_cast<const unsigned char*>(data);
    g_inTransaction = true;
    g_commitPageNext = (header[4] | header[5] | header[6] | header[7]) != 0;
    return write(fd, data, size, offset);
  }
  if (!g_commitPageNext) return write(fd, data, size, offset);
  if (reached && Point().stage == "torn") {
    write(fd, data, size / 2, offset);
    Die();
  }
  const ssize_t written = write(fd, data, size, offset);
  ++g_commits;
  g_inTransaction = false;
  g_commitPageNext = false;
  if (reached && Point().stage == "done") Die();
  return written;
}

// Runs `call` for a link or rename to `to`, dying before or after it when it is the point's.
template <typename Call>
int Place(const char* to, Call call) {
  if (Point().kind != Kind::Place || to == nullptr || !NamesThePoint(to)) return call();
  std::lock_guard lock(g_mutex);
  const bool reached = ++g_seen == Point().count;
  if (reached && Point().stage == "before") Die();
  const int result = call();
  if (reached) Die();
  return result;
}

}  // namespace

extern "C" {

ssize_t pwrite64(int fd, const void* data, size_t size, off64_t offset) {
  static const auto next = Next<ssize_t (*)(int, const void*, size_t, off64_t)>("pwrite64");
  return WriteFrameOrPage(next, fd, data, size, offset);
}

ssize_t pwrite(int fd, const void* data, size_t size, off_t offset) {
  static const auto next = Next<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
  return WriteFrameOrPage(next, fd, data, size, offset);
}

ssize_t write(int fd, const void* data, size_t size) {
  static const auto next = Next<ssize_t (*)(int, const void*, size_t)>("write");
  const std::string& start = Point().bytes;
  if (Point().kind != Kind::Write || size < start.size() ||
      std::string(static_cast<const char*>(data), start.size()) != start)
    return next(fd, data, size);
  std::lock_guard lock(g_mutex);
  if (++g_seen != Point().count) return next(fd, data, size);
  next(fd, data, size / 2);
  Die();
}

int linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags) noexcept {
  static const auto next = Next<int (*)(int, const char*, int, const char*, int)>("linkat");
  return Place(to, [&] { return next(fromFolder, from, toFolder, to, flags); });
}

int rename(const char* from, const char* to) noexcept {
  static const auto next = Next<int (*)(const char*, const char*)>("rename");
  return Place(to, [&] { return next(from, to); });
}

int renameat(int fromFolder, const char* from, int toFolder, const char* to) noexcept {
  static const auto next = Next<int (*)(int, const char*, int, const char*)>("renameat");
  return Place(to, [&] { return next(fromFolder, from, toFolder, to); });
}

}  // extern "C"
