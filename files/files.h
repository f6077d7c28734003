// The scene file stream: a versioned, little-endian binary file of integers, floats and strings.
#pragma once

#include "framework/core/core.h"
#include "framework/core/streams.h"

// The format version this system writes for scenes without meshes (a mesh makes the file version 5).
const int SCENE_FILE_VERSION = 4;
// The newest format version this system reads.
const int SCENE_FILE_VERSION_READ = 5;
// The longest string a reader accepts.
const int SCENE_STRING_MAX = 998;

// Why a read failed, as far as the stream can tell; the first reason stays.
enum TSceneFault { sfNone, sfNotScene, sfCutShort, sfTooDeep, sfTooLong, sfBadMesh };

class TSceneFile {
public:
  // Opens FileName for writing (creating or replacing it) or reading; transfers the header.
  // The stream's exception passes out when the file cannot be created or opened.
  TSceneFile(AnsiString FileName, bool Writing, int Version);
  // Reads from or writes to a stream the caller owns (used for in-memory loads).
  TSceneFile(TStream* Stream, bool Writing, int Version);
  ~TSceneFile();
  TSceneFile(const TSceneFile&) = delete;
  TSceneFile& operator=(const TSceneFile&) = delete;

  // On a writing file the buffered bytes go out first, so the answer covers every byte written so far.
  bool IsOk();
  // True once a transfer has failed, as far as is known without pushing the buffered bytes out (cheap enough
  // for every record to ask before it starts).
  bool Failed() const { return !ok; }
  // Makes the rest of a transfer fail: used when what was read leaves the reader out of step with the file.
  // Without a reason, the one a failed string read left applies, else "not a scene".
  void Fail(TSceneFault Why = sfNone);
  TSceneFault Fault() const { return fault; }
  // Where a file cut short ends (its size), for sfCutShort.
  int64_t FaultOffset() const { return faultOffset; }
  int GetVersion() const { return version; }

  bool WriteInt(int Value);
  bool WriteFloat(float Value);
  bool WriteString(AnsiString Value);
  bool ReadInt(int MinVersion, int* Value, int Default);
  bool ReadFloat(int MinVersion, float* Value, float Default);
  bool ReadString(int MinVersion, AnsiString* Value, AnsiString Default);

  // The underlying stream, for raw sections (images).
  TStream* Stream() const { return stream; }
  // Bytes left to read (0 when writing); bounds counts read from a file.
  int64_t Remaining();
  // Pushes buffered bytes to the file; a write the disk refused makes ok false. Returns ok.
  bool Flush();

private:
  void Open();
  TStream* stream = nullptr;
  // The stream when it is exactly a file stream (a subclass keeps its own Read and Write).
  TFileStream* file = nullptr;
  bool ownsStream = true;
  bool ok = false;
  bool Put(const uint8_t* b) { return (file && file->Append(b, 4)) || stream->Write(b, 4) == 4; }
  bool Get(uint8_t* b) { return (file && file->Take(b, 4)) || stream->Read(b, 4) == 4 || ShortRead(); }
  // Notes that the file ended; always false.
  bool ShortRead();
  bool writing = false;
  int version = 0;
  TSceneFault fault = sfNone;
  // What the last failed string read found, for the Fail() that follows it.
  TSceneFault stringFault = sfNone;
  int64_t faultOffset = 0;
};
