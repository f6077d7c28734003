// The component palette and the package loader. One registry per process: packages must resolve
// the framework's symbols to the host's copy (see package/CMakeLists.txt).
#include "framework/graphics/registry.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cctype>
#include <string>

namespace {

struct Entry {
  TPaletteEntry pub;
  HMODULE module = nullptr;              // the package whose Initialize registered it
  const TPackageInfo* info = nullptr;    // the unit table it came from
};

struct Package {
  HMODULE handle = nullptr;
  const TPackageInfo* info = nullptr;
  int uses = 0;
  std::string name;  // as it was loaded, for messages
};

struct Registry {
  std::vector<Entry*> entries;
  std::vector<Package> packages;
  HMODULE loading = nullptr;               // module whose Initialize is running
  const TPackageInfo* loadingInfo = nullptr;
  const TPackageInfo* registering = nullptr;
  ~Registry() {
    for (Entry* e : entries) {
      delete e->pub.Bitmap;
      delete e;
    }
  }
  template <class Pred>
  void Purge(Pred pred) {
    auto keep = std::stable_partition(entries.begin(), entries.end(), [&](Entry* e) { return !pred(e); });
    for (auto it = keep; it != entries.end(); ++it) {
      delete (*it)->pub.Bitmap;
      delete *it;
    }
    entries.erase(keep, entries.end());
  }
};

Registry& Reg() {
  static Registry registry;
  return registry;
}

template <class T>
struct Restore {
  T& ref;
  T old;
  Restore(T& r, T v) : ref(r), old(r) { ref = v; }
  ~Restore() { ref = old; }
};

std::string Upper(const char* s) {
  std::string u(s);
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

// The palette image named after the class in capitals, from the package being registered.
TBitmap* PaletteBitmap(const TPackageInfo* info, const char* className) {
  if (!info || !info->Images || info->ImageCount <= 0) return nullptr;
  std::string want = Upper(className);
  for (int i = 0; i < info->ImageCount; ++i) {
    const TPackageImage& img = info->Images[i];
    if (!img.Name || want != img.Name) continue;
    if (!img.Palette || !img.Pixels || img.Width <= 0 || img.Height <= 0 || img.Width > 256 || img.Height > 256)
      return nullptr;
    auto* bmp = new TBitmap();
    bmp->SetSize(img.Width, img.Height);
    for (int y = 0; y < img.Height; ++y)
      for (int x = 0; x < img.Width; ++x) bmp->SetPixel(x, y, img.Palette[img.Pixels[y * img.Width + x] & 15]);
    return bmp;
  }
  return nullptr;
}

Package* FindPackage(HMODULE handle) {
  for (Package& p : Reg().packages)
    if (p.handle == handle) return &p;
  return nullptr;
}

}  // namespace

void RegisterComponents(const AnsiString& Page, const TComponentClass* Classes, int LastIndex) {
  Registry& r = Reg();
  if (LastIndex < 0) return;
  if (!Classes) throw EComponentError("RegisterComponents: no classes");
  for (int i = 0; i <= LastIndex; ++i) {
    const TComponentClass& c = Classes[i];
    if (!c.ClassName || !c.Create) throw EComponentError("RegisterComponents: incomplete class reference");
    if (FindComponentClass(c.ClassName))
      throw EComponentError(Format("A class named %s already exists", c.ClassName).str());
    for (int j = 0; j < i; ++j)
      if (std::string(c.ClassName) == Classes[j].ClassName)
        throw EComponentError(Format("A class named %s already exists", c.ClassName).str());
  }
  for (int i = 0; i <= LastIndex; ++i) {
    auto* e = new Entry;
    e->pub.Class = Classes[i];
    e->pub.Page = Page;
    e->module = r.loading;
    e->info = r.registering;
    e->pub.Bitmap = PaletteBitmap(r.registering, Classes[i].ClassName);
    r.entries.push_back(e);
  }
}

std::vector<AnsiString> PalettePages() {
  std::vector<AnsiString> pages;
  for (Entry* e : Reg().entries)
    if (std::find(pages.begin(), pages.end(), e->pub.Page) == pages.end()) pages.push_back(e->pub.Page);
  return pages;
}

std::vector<const TPaletteEntry*> PaletteClasses(const AnsiString& Page) {
  std::vector<const TPaletteEntry*> list;
  for (Entry* e : Reg().entries)
    if (e->pub.Page == Page) list.push_back(&e->pub);
  return list;
}

const TPaletteEntry* FindComponentClass(const AnsiString& ClassName) {
  for (Entry* e : Reg().entries)
    if (ClassName == e->pub.Class.ClassName) return &e->pub;
  return nullptr;
}

void InitializePackage(const TPackageInfo* Info) {
  if (!Info) return;
  Registry& r = Reg();
  if (r.loading) r.loadingInfo = Info;
  Restore<const TPackageInfo*> guard(r.registering, Info);
  for (int i = 0; i < Info->UnitCount && Info->Units; ++i)
    if (Info->Units[i].Register) Info->Units[i].Register();
}

void FinalizePackage(const TPackageInfo* Info) {
  if (!Info) return;
  Reg().Purge([Info](Entry* e) { return e->info == Info; });
}

namespace {
typedef void (*EntryPoint)();

// The library's export `name` when it is a function; null when it is missing or names data, which
// would crash the host if called.
EntryPoint FunctionSymbol(void* handle, const char* name) {
  void* p = dlsym(handle, name);
  if (!p) return nullptr;
  Dl_info where;
  void* entry = nullptr;
  if (!dladdr1(p, &where, &entry, RTLD_DL_SYMENT) || !entry) return nullptr;
  const auto* sym = static_cast<const ElfW(Sym)*>(entry);
  const unsigned type = ELF64_ST_TYPE(sym->st_info);  // the same bits in 32-bit symbols
  if (type != STT_FUNC && type != STT_GNU_IFUNC) return nullptr;
  return reinterpret_cast<EntryPoint>(p);
}

// Runs a package's entry point; false, with what it threw in `why`, when it threw.
bool RunEntryPoint(EntryPoint fn, std::string& why) {
  try {
    fn();
    return true;
  } catch (const std::exception& e) {
    why = e.what();
  } catch (...) {
    why = "unknown exception";
  }
  return false;
}

[[noreturn]] void RaiseEntryPointFailure(const std::string& library, const char* entry, const std::string& why) {
  throw EPackageError(Format("%s: %s failed.\n%s", library.c_str(), entry, why.c_str()).str());
}
}  // namespace

HMODULE LoadPackage(const AnsiString& Name) {
  Registry& r = Reg();
  // An empty name would open the host program itself.
  if (Name.IsEmpty()) throw EPackageError("Can't load package: no file name.");
  void* handle = dlopen(Name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = dlerror();
    throw EPackageError(Format("Can't load package %s.\n%s", Name.c_str(), why ? why : "").str());
  }
  if (Package* p = FindPackage(handle)) {
    ++p->uses;
    return handle;
  }
  EntryPoint init = FunctionSymbol(handle, "Initialize");
  if (!init) {
    dlclose(handle);
    throw EPackageError(Format("%s is not a valid package: it has no Initialize.", Name.c_str()).str());
  }
  Restore<HMODULE> loading(r.loading, handle);
  Restore<const TPackageInfo*> loadingInfo(r.loadingInfo, nullptr);
  std::string why;
  if (!RunEntryPoint(init, why)) {
    // Nothing of a package that failed to start may outlive its code.
    r.Purge([handle](Entry* e) { return e->module == handle; });
    dlclose(handle);
    RaiseEntryPointFailure(Name.str(), "Initialize", why);
  }
  r.packages.push_back(Package{handle, r.loadingInfo, 1, Name.str()});
  return handle;
}

void UnloadPackage(HMODULE Module) {
  Registry& r = Reg();
  Package* p = FindPackage(Module);
  if (!p) throw EPackageError("Invalid package handle");
  if (--p->uses > 0) {
    dlclose(Module);
    return;
  }
  const TPackageInfo* info = p->info;
  const std::string name = p->name;
  r.packages.erase(r.packages.begin() + (p - r.packages.data()));
  EntryPoint fini = FunctionSymbol(Module, "Finalize");
  std::string why;
  const bool finished = !fini || RunEntryPoint(fini, why);
  // Whatever the package left registered points into its code: drop it before the code goes.
  r.Purge([Module, info](Entry* e) { return e->module == Module || (info && e->info == info); });
  dlclose(Module);
  if (!finished) RaiseEntryPointFailure(name, "Finalize", why);
}

AnsiString GetPackageDescription(HMODULE Module) {
  Package* p = FindPackage(Module);
  if (!p || !p->info || !p->info->Description) return AnsiString();
  return AnsiString(p->info->Description);
}
