// What the archiver modules and their worker process say to each other.
//
// A module runs every libarchive operation in a worker process
// ("zot-arcworker"), so that a decoder that crashes, loops or eats memory
// costs one failed operation, not the program. The worker is started as
//   zot-arcworker FORMAT OP ARCHIVE [DEST] [FLAGS]
// reads member names (each ended by a NUL byte, the list by an empty name) from its
// standard input, and answers on its standard output with records:
//   1 byte type, 4 bytes little-endian payload length, payload.
// With the flag "p" it may ask for a member's password (Rec::Password) and
// then reads the answer from its standard input in the same framing:
// 'P' with the password, or 'N' (empty) when there is none to be had. The
// password never appears on a command line or in the environment.
#pragma once
#include "common_archiver.h"

#include <cstdint>
#include <string>

namespace arc {

enum class Rec : char {
  Member = 'M',   // a listed member (MemberRecord + path)
  Restart = 'X',  // forget the members (the names are read again as Shift-JIS) or the data sent so far
  Begin = 'B',    // extraction of a member starts: u64 size, path, '\0', output path
  Written = 'W',  // u64 bytes of the current member written so far
  Problem = 'R',  // u32 status, message: a member that was refused or failed
  Data = 'D',     // bytes of a member extracted to memory
  End = 'Z',      // u32 status: the operation is over
  Password = 'P', // u32 attempt, member path: the worker waits for a password
};

// The answers to Rec::Password.
constexpr char kPasswordGiven = 'P';
constexpr char kPasswordNone = 'N';
constexpr uint32_t kPasswordMax = 1024;
constexpr uint32_t kPasswordTries = 3;

#pragma pack(push, 1)
struct MemberRecord {
  uint64_t size;
  uint64_t compressed;
  int64_t mtime, atime, ctime;  // seconds since 1970, 0 when unknown
  uint32_t mtime_ns;
  uint32_t mode;
  uint32_t flags;  // MemberFlag bits
};
#pragma pack(pop)

// kElf and kScript: a regular member with an execute bit whose first bytes
// are an ELF header or "#!".
enum MemberFlag : uint32_t { kDirectory = 1, kSymlink = 2, kEncrypted = 4, kElf = 8, kScript = 16 };

// Status numbers, as the modules return them (common_archiver.h).
enum Status : uint32_t {
  kOk = 0,
  kErrorWarning = CA_ERROR_WARNING,
  kErrorNotArchive = CA_ERROR_NOT_ARCHIVE,
  kErrorCorrupt = CA_ERROR_CORRUPT,
  kErrorUnsupported = CA_ERROR_UNSUPPORTED,
  kErrorFile = CA_ERROR_FILE,
  kErrorCancel = CA_ERROR_CANCEL,
  kErrorCommand = CA_ERROR_COMMAND,
  kErrorNoCreate = CA_ERROR_NO_CREATE,
  kErrorWorker = CA_ERROR_WORKER,
  kErrorNoMember = CA_ERROR_NO_MEMBER,
  kErrorPassword = CA_ERROR_PASSWORD,
};

}  // namespace arc
