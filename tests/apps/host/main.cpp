// Renders one cube headless through the installed package and reports what it saw.
#include <cstdio>
#include <vector>

#include "framework/controls/application.h"
#include "opengl/opengl.h"
#include "parts/parts.h"

int main() {
  Application->Initialize(BackendKind::Headless);
  auto* form = new TForm(nullptr);
  form->SetBounds(0, 0, 64, 64);
  auto* gl = new TOpenGl(form);
  gl->SetParent(form);
  gl->SetAlign(alClient);
  gl->Loaded();
  TColorVector red;
  red.SetR(1);
  gl->SetClearColor(&red);
  gl->AddCube(nullptr, "Box");
  form->Show();
  for (int i = 0; i < 50; ++i) Application->ProcessMessages();
  InvalidateRect(gl->Handle(), nullptr, FALSE);
  Application->ProcessMessages();
  std::vector<uint8_t> rgba;
  int w = 0, h = 0;
  bool read = ReadWindowPixels(gl->Handle(), rgba, w, h);
  int parts = gl->Root()->Count();
  std::printf("host: %d part, %dx%d, corner %d %d %d\n", parts, w, h, read ? rgba[0] : -1, read ? rgba[1] : -1,
              read ? rgba[2] : -1);
  bool ok = read && parts == 1 && w == 64 && rgba[0] == 255 && rgba[1] == 0;
  delete form;
  return ok ? 0 : 1;
}
