// The scene file stream: typed little-endian primitives over a framework stream, with a sticky ok flag.
#include "files/files.h"

#include <cstdint>
#include <cstring>
#include <typeinfo>
#include <vector>

// The direction checks are part of the contract and stay on in every build.
#undef NDEBUG
#include <cassert>

// Assertion messages name this unit "files".
#line 1 "files"

namespace {
void Put32(uint8_t* b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t Get32(const uint8_t* b) {
  return uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
}
}  // namespace

TSceneFile::TSceneFile(AnsiString FileName, bool Writing, int Version) {
  ok = false;
  // The stream's exception leaves the constructor; nothing is open then.
  stream = new TFileStream(FileName, Writing ? fmCreate : fmOpenRead);
  ownsStream = true;
  writing = Writing;
  version = Version;
  Open();
}

TSceneFile::TSceneFile(TStream* Stream, bool Writing, int Version) {
  ok = false;
  stream = Stream;
  ownsStream = false;
  writing = Writing;
  version = Version;
  Open();
}

void TSceneFile::Open() {
  ok = stream != nullptr;
  file = stream && typeid(*stream) == typeid(TFileStream) ? static_cast<TFileStream*>(stream) : nullptr;
  uint8_t b[4];
  if (writing) {
    if (ok) {
      Put32(b, static_cast<uint32_t>(version));
      ok = stream->Write(b, 4) == 4;
    }
  } else {
    version = 0;
    if (ok) {
      if (stream->Read(b, 4) == 4) version = static_cast<int32_t>(Get32(b));
      else Fail(sfNotScene);  // not even a header
    }
  }
}

TSceneFile::~TSceneFile() {
  if (ownsStream) delete stream;
}

void TSceneFile::Fail(TSceneFault Why) {
  ok = false;
  if (fault != sfNone) return;
  fault = Why != sfNone ? Why : stringFault != sfNone ? stringFault : sfNotScene;
  if (fault == sfCutShort && stream) faultOffset = stream->Size();
}

bool TSceneFile::ShortRead() {
  if (!writing) Fail(sfCutShort);
  return false;
}

bool TSceneFile::IsOk() {
  if (writing && ok) Flush();
  return ok;
}

bool TSceneFile::Flush() {
  if (!writing) return ok;
  if (auto* f = dynamic_cast<TFileStream*>(stream)) {
    if (!f->Flush()) ok = false;
  }
  return ok;
}

int64_t TSceneFile::Remaining() {
  if (writing || stream == nullptr) return 0;
  int64_t left = stream->Size() - stream->Position();
  return left > 0 ? left : 0;
}

bool TSceneFile::WriteInt(int Value) {
  assert(writing);
  if (ok) {
    uint8_t b[4];
    Put32(b, static_cast<uint32_t>(Value));
    ok = Put(b);
  }
  return ok;
}

bool TSceneFile::WriteFloat(float Value) {
  assert(writing);
  if (ok) {
    uint32_t bits;
    std::memcpy(&bits, &Value, 4);
    uint8_t b[4];
    Put32(b, bits);
    ok = Put(b);
  }
  return ok;
}

bool TSceneFile::ReadInt(int MinVersion, int* Value, int Default) {
  assert(!writing);
  if (MinVersion > version) {
    *Value = Default;
    return true;
  }
  if (ok) {
    uint8_t b[4];
    ok = Get(b);
    if (ok) *Value = static_cast<int32_t>(Get32(b));
  }
  return ok;
}

bool TSceneFile::ReadFloat(int MinVersion, float* Value, float Default) {
  assert(!writing);
  if (MinVersion > version) {
    *Value = Default;
    return true;
  }
  if (ok) {
    uint8_t b[4];
    ok = Get(b);
    if (ok) {
      uint32_t bits = Get32(b);
      std::memcpy(Value, &bits, 4);
    }
  }
  return ok;
}

// A string no reader would accept is refused, and the save reports failure.
bool TSceneFile::WriteString(AnsiString Value) {
  assert(writing);
  int n = Value.Length();
  if (n > SCENE_STRING_MAX) {
    Fail(sfTooLong);
    return false;
  }
  if (stream == nullptr) return false;
  uint8_t b[4];
  Put32(b, static_cast<uint32_t>(n));
  if (stream->Write(b, 4) != 4) return false;
  return n == 0 || stream->Write(Value.c_str(), n) == n;
}

bool TSceneFile::ReadString(int MinVersion, AnsiString* Value, AnsiString Default) {
  assert(!writing);
  if (MinVersion > version) {
    *Value = Default;
    return true;
  }
  // The stream's flag stays as it was: the caller decides whether the record can go on.
  stringFault = sfCutShort;
  uint8_t b[4];
  if (stream == nullptr || stream->Read(b, 4) != 4) return false;
  int32_t n = static_cast<int32_t>(Get32(b));
  stringFault = sfNotScene;
  if (n < 0 || n > SCENE_STRING_MAX) return false;
  stringFault = sfCutShort;
  char text[SCENE_STRING_MAX + 1];
  if (n > 0 && stream->Read(text, n) != n) return false;
  stringFault = sfNone;
  text[n] = '\0';
  *Value = AnsiString(text, std::strlen(text));
  return true;
}
