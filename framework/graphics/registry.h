// Component registration: class references, palette pages, and loading packages (shared libraries).
#pragma once

#include <cstdint>
#include <vector>

#include "framework/core/core.h"
#include "framework/graphics/graphics.h"

// A class reference: the class name and how to make an instance with an owner.
struct TComponentClass {
  const char* ClassName = nullptr;
  TComponent* (*Create)(TComponent* AOwner) = nullptr;
};

// The reference to a component class T (T must have a constructor taking its owner).
template <class T>
TComponentClass ComponentClass(const char* name) {
  return TComponentClass{name, [](TComponent* AOwner) -> TComponent* { return new T(AOwner); }};
}

class EPackageError : public Exception { using Exception::Exception; };
class EComponentError : public Exception { using Exception::Exception; };

// Puts Classes[0..LastIndex] on the palette page, in that order. A class name already on the palette
// raises EComponentError; nothing of the call is registered then.
void RegisterComponents(const AnsiString& Page, const TComponentClass* Classes, int LastIndex);

// One palette entry. Bitmap is the class's palette image from its package (null when it has none).
struct TPaletteEntry {
  TComponentClass Class;
  AnsiString Page;
  TBitmap* Bitmap = nullptr;
};

// Pages in the order they were first used, and the classes of one page in registration order.
std::vector<AnsiString> PalettePages();
std::vector<const TPaletteEntry*> PaletteClasses(const AnsiString& Page);
const TPaletteEntry* FindComponentClass(const AnsiString& ClassName);

// A 16-colour image resource: one palette index (0..15) per pixel, rows from the top.
struct TPackageImage {
  const char* Name;
  int Width, Height;
  const TColor* Palette;   // 16 colours
  const uint8_t* Pixels;   // Width * Height indices
};

// A unit of a package; Register (may be null) puts the unit's components on the palette.
struct TPackageUnit {
  const char* Name;
  void (*Register)();
};

// What a package hands to the loader from its Initialize entry point.
struct TPackageInfo {
  const char* Description;
  const TPackageUnit* Units;
  int UnitCount;
  const TPackageImage* Images;
  int ImageCount;
};

// Called by a package's exported Initialize and Finalize.
void InitializePackage(const TPackageInfo* Info);
void FinalizePackage(const TPackageInfo* Info);

typedef void* HMODULE;
// Loads a package shared library and runs its Initialize; raises EPackageError when it cannot.
// Loading a package that is loaded already only counts the extra use.
HMODULE LoadPackage(const AnsiString& Name);
// Runs Finalize (on the last use) and unloads. Components of the package must be gone by then.
void UnloadPackage(HMODULE Module);
// The description a loaded package gave, or an empty string.
AnsiString GetPackageDescription(HMODULE Module);
