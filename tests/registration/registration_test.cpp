// The package as a designer sees it: loaded from its shared library, five classes on page "3D".
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "framework/controls/controls.h"
#include "framework/graphics/registry.h"
#include "support/test_support.h"

namespace {

class PackageTest : public ::testing::Test {
protected:
  void SetUp() override { module = LoadPackage(V3D_PACKAGE_PATH); }
  void TearDown() override {
    if (module) UnloadPackage(module);
  }
  HMODULE module = nullptr;
};

std::string Name(const TPaletteEntry* e) { return e->Class.ClassName; }

}  // namespace

TEST_F(PackageTest, PutsFiveControlsOnPage3DInOrderWithTheirImages) {
  ASSERT_NE(nullptr, module);
  EXPECT_EQ("OpenGl component", GetPackageDescription(module).str());
  auto classes = PaletteClasses("3D");
  ASSERT_EQ(5u, classes.size());
  const char* names[5] = {"TOpenGl", "TFloatEdit", "TPos3D", "TColorEdit", "TAngleEdit"};
  std::set<std::vector<TColor>> pictures;
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(names[i], Name(classes[i]));
    EXPECT_EQ("3D", classes[i]->Page.str());
    TBitmap* bmp = classes[i]->Bitmap;
    ASSERT_NE(nullptr, bmp) << names[i];
    EXPECT_EQ(24, bmp->Width());
    EXPECT_EQ(24, bmp->Height());
    std::set<TColor> colours;
    std::vector<TColor> pixels;
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 24; ++x) {
        colours.insert(bmp->Pixel(x, y));
        pixels.push_back(bmp->Pixel(x, y));
      }
    EXPECT_LE(colours.size(), 16u);
    EXPECT_GE(colours.size(), 3u) << names[i] << " is hardly a picture";
    pictures.insert(pixels);
  }
  EXPECT_EQ(5u, pictures.size()) << "every class has a picture of its own";
  EXPECT_EQ(classes[4], FindComponentClass("TAngleEdit"));
}

TEST_F(PackageTest, AClassFromThePaletteMakesAWorkingEditor) {
  const TPaletteEntry* entry = FindComponentClass("TFloatEdit");
  ASSERT_NE(nullptr, entry);
  TComponent owner(nullptr);
  TComponent* made = entry->Class.Create(&owner);
  ASSERT_NE(nullptr, made);
  EXPECT_EQ(&owner, made->Owner());
  // The host knows only the framework: it reaches the editor through its child controls.
  auto* panel = dynamic_cast<TWinControl*>(made);
  ASSERT_NE(nullptr, panel);
  panel->Loaded();
  TScrollBar* bar = nullptr;
  TWinControl* strip = nullptr;
  for (int i = 0; i < panel->ControlCount(); ++i) {
    if (auto* sb = dynamic_cast<TScrollBar*>(panel->Controls(i))) bar = sb;
    else strip = dynamic_cast<TWinControl*>(panel->Controls(i));
  }
  ASSERT_NE(nullptr, bar);
  ASSERT_NE(nullptr, strip);
  ASSERT_GE(strip->ControlCount(), 1);
  EXPECT_EQ("Element0= 0.00", strip->Controls(0)->Caption().str());
  bar->SetPosition(1500);
  EXPECT_EQ("Element0= 1.50", strip->Controls(0)->Caption().str());

  // The viewport class makes a windowed control too; the owner takes both away before unloading.
  const TPaletteEntry* gl = FindComponentClass("TOpenGl");
  ASSERT_NE(nullptr, gl);
  TComponent* viewport = gl->Class.Create(&owner);
  EXPECT_NE(nullptr, dynamic_cast<TWinControl*>(viewport));
  EXPECT_EQ(2, owner.ComponentCount());
}

TEST(PackageLoader, UnloadingClearsThePageAndBadFilesAreRefused) {
  HMODULE first = LoadPackage(V3D_PACKAGE_PATH);
  HMODULE second = LoadPackage(V3D_PACKAGE_PATH);  // a second use registers nothing new
  EXPECT_EQ(first, second);
  EXPECT_EQ(5u, PaletteClasses("3D").size());
  UnloadPackage(second);
  EXPECT_EQ(5u, PaletteClasses("3D").size());
  UnloadPackage(first);
  EXPECT_TRUE(PaletteClasses("3D").empty());
  EXPECT_EQ(nullptr, FindComponentClass("TOpenGl"));
  EXPECT_THROW(UnloadPackage(first), EPackageError);

  EXPECT_THROW(LoadPackage("/nonexistent/viewport3d_package.so"), EPackageError);
  EXPECT_THROW(LoadPackage(""), EPackageError);
  // A shared library without the entry point is not a package.
  EXPECT_THROW(LoadPackage("libm.so.6"), EPackageError);
  for (const AnsiString& page : PalettePages()) EXPECT_NE("3D", page.str());
}

// Loading a library must never call into data, and whatever an entry point throws comes out as the
// loader's own error, naming the library and carrying the message.
TEST(PackageLoader, EntryPointsMustBeFunctionsAndTheirFailuresArePackageErrors) {
  auto expectPackageError = [](auto action, const char* library, const char* message) {
    try {
      action();
      ADD_FAILURE() << "no error for " << library;
    } catch (const EPackageError& e) {
      EXPECT_NE(std::string(e.what()).find(library), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
    } catch (...) {
      ADD_FAILURE() << "another exception for " << library;
    }
  };
  expectPackageError([] { LoadPackage(V3D_STUB_DATA_INITIALIZE); }, V3D_STUB_DATA_INITIALIZE, "Initialize");
  expectPackageError([] { LoadPackage(V3D_STUB_THROWING_INITIALIZE); }, V3D_STUB_THROWING_INITIALIZE,
                     "stub refuses to start");

  // A data Finalize is not called; a throwing one still leaves the package unloaded.
  HMODULE quiet = LoadPackage(V3D_STUB_DATA_FINALIZE);
  UnloadPackage(quiet);
  EXPECT_THROW(UnloadPackage(quiet), EPackageError);
  HMODULE loud = LoadPackage(V3D_STUB_THROWING_FINALIZE);
  expectPackageError([loud] { UnloadPackage(loud); }, V3D_STUB_THROWING_FINALIZE, "stub refuses to stop");
  EXPECT_THROW(UnloadPackage(loud), EPackageError);
}

namespace {
class Widget : public TComponent {
public:
  using TComponent::TComponent;
};
class Gadget : public TComponent {
public:
  using TComponent::TComponent;
};
}  // namespace

TEST(PackageLoader, RegistrationFromTheHostRefusesDuplicateNames) {
  TComponentClass classes[2] = {ComponentClass<Widget>("Widget"), ComponentClass<Gadget>("Gadget")};
  RegisterComponents("Host", classes, 1);
  auto page = PaletteClasses("Host");
  ASSERT_EQ(2u, page.size());
  EXPECT_EQ(nullptr, page[0]->Bitmap);  // no package, no picture
  TComponentClass again[1] = {ComponentClass<Gadget>("Gadget")};
  EXPECT_THROW(RegisterComponents("Other", again, 0), EComponentError);
  EXPECT_TRUE(PaletteClasses("Other").empty());
  TComponentClass twice[2] = {ComponentClass<Widget>("Thing"), ComponentClass<Gadget>("Thing")};
  EXPECT_THROW(RegisterComponents("Other", twice, 1), EComponentError);
  EXPECT_EQ(nullptr, FindComponentClass("Thing"));
  RegisterComponents("Other", nullptr, -1);  // an empty array registers nothing
  EXPECT_TRUE(PaletteClasses("Other").empty());
}
