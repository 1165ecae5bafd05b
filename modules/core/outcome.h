// What went wrong, as the worker reports it: a status for the caller, a
// reason code, the member concerned (empty for the archive as a whole) and
// the details the words need (a decoder's own message, a path, sizes). The
// Japanese words are made from these in one place, Describe.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace arc {

enum class Reason : uint32_t {
  None = 0,
  // One member refused or failed.
  SpecialFile = 1,         // a device, FIFO or socket
  OutsideFolder,           // its path or hard-link target leaves the folder
  LinkOutside,             // a symbolic link that points out of the folder
  NotWritten,              // the disk writer refused the header [message]
  DiskFull,
  WriteFailed,             // [message]
  WrongPassword,           // three wrong answers
  PasswordDeclined,        // no answer was given
  PasswordProtected,       // no one to ask
  CipherUnsupported,       // encrypted with a cipher no decoder here has
  WrongPasswordOrDamaged,  // [message]
  MissingPart,             // a split set's part is missing [its name]
  MethodUnsupported,       // [message]
  Damaged,                 // [message]
  SizeMismatch,            // [stated size, bytes that came]
  NotInArchive,            // the member asked for is not there
  FileNotFound,            // a file to add to an archive
  FileUnreadable,          // likewise
  NotAdded,                // the archive writer refused a file [its message]
  // The archive or the operation as a whole.
  CannotOpenFile = 100,    // [path, system message]
  NotLha,
  HeadersLocked,           // the headers are encrypted
  ArchiveDamaged,          // [message]
  CannotOpenArchive,       // [message]
  RestLocked,              // what follows an encrypted member cannot be read
  CannotMakeFolder,        // [folder]
  CannotEnterFolder,       // [folder]
  PartsMismatch,           // a split set's parts do not fit together [name]
  CabUnreadable,
  LhaUnreadable,
  NoRoom,                  // [bytes needed, bytes free, folder]
  CreateUnsupported,
  NothingToAdd,
  CannotCreateArchive,     // [path]
  CreateFailed,
  CannotReplaceArchive,    // [path]
  // The worker itself.
  WorkerNotStarted = 200,  // [its path]
  WorkerSilent,            // killed after the time limit
  WorkerCrashed,           // [signal number]
  WorkerEnded,             // ended without its last record
  // The command line a module was given.
  SfxUnsupported = 300,
  ResponseFileUnreadable,  // [path]
  NoArchiveGiven,
  FolderNotAbsolute,
  Cancelled,
  CommandUnsupported,      // [the command word]
  NoCommand,
};

struct Outcome {
  uint32_t status = 0;
  Reason reason = Reason::None;
  std::string member;
  std::vector<std::string> details;

  bool Failed() const { return reason != Reason::None; }
};

// The words for the user: "member: reason" for a member, the reason alone
// for the archive.
std::string Describe(const Outcome& outcome);

}  // namespace arc
