// Saving a file so that a failed save never destroys what the file held before.
#pragma once

#include <sys/types.h>

#include <string>

#include "framework/core/core.h"
#include "framework/core/streams.h"

// Writes a new version of a file. A regular file gets a fresh temporary file beside it (created
// exclusively, never through a link) that replaces it only once every byte is on the disk, keeping the
// old file's mode, owner and group. A file that must not be replaced (a device, a pipe, a regular file
// with other hard links) and a file whose folder we may not write are written in place. A regular file
// written in place keeps its old content until Commit has reserved the space for the new one, so a full
// disk leaves it whole. A symbolic link is saved through: the file it names gets the new content and the
// link stays.
class TSafeSave {
public:
  // Raises EFCreateError when the file can neither be created nor opened for writing.
  explicit TSafeSave(const AnsiString& FileName);
  // Without a successful Commit, the temporary file goes and the target stays as it was.
  ~TSafeSave();
  TSafeSave(const TSafeSave&) = delete;
  TSafeSave& operator=(const TSafeSave&) = delete;

  // Where the new content goes; valid until Commit or destruction.
  TStream* Stream() { return FStream; }
  // True when the new content goes straight into the target.
  bool InPlace() const { return FTemp.empty(); }
  // Makes the written bytes the file's content, synced to the disk; false when any byte or step failed.
  bool Commit();
  // Why the last Commit failed; empty after one that succeeded.
  const AnsiString& Error() const { return FError; }
  // Why a write to Stream() fell short, in the words Commit would give; empty while none has.
  AnsiString WriteFailure() const;

private:
  [[noreturn]] void RaiseCreateError(int err) const;
  void OpenInPlace(bool regular);
  bool KeepMetadata();
  bool CloseFile();
  void Discard();
  bool Failed(int err);
  bool WriteBuffered();

  std::string FName;    // as the caller gave it, for messages
  std::string FTarget;  // the file itself, links resolved
  std::string FTemp;    // empty when writing in place
  int FFd = -1;
  TStream* FStream = nullptr;
  TFileStream* FFile = nullptr;      // writing straight to FFd
  TMemoryStream* FBuffer = nullptr;  // holding a regular file's new content until its space is reserved
  AnsiString FError;
  bool FHadFile = false;
  mode_t FMode = 0;
  uid_t FUid = 0;
  gid_t FGid = 0;
  bool FDone = false;
};
