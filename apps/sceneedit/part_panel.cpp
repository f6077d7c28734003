// The editors of the selected part and of one light slot, bound to the part's (the light's) setters.
#include "part_panel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "framework/controls/edit.h"
#include "opengl/luce.h"
#include "opengl/opengl.h"
#include "parts/parts.h"
#include "pos3d/editors.h"

namespace {

const int kEditHeight = 40;
const int kColumnWidth = 400;
const char* const kColorNames[4] = {"Ambient", "Diffuse", "Specular", "Emission"};

int Round(float v) { return static_cast<int>(std::lround(v)); }

void SetColor(TPart* p, int target, const TFloatVector& c) {
  p->SetUseMaterial(true);
  float r = c.GetElement(0), g = c.GetElement(1), b = c.GetElement(2), a = c.GetElement(3);
  switch (target) {
    case 0: p->SetAmbientR(r); p->SetAmbientG(g); p->SetAmbientB(b); p->SetAmbientA(a); break;
    case 1: p->SetDiffuseR(r); p->SetDiffuseG(g); p->SetDiffuseB(b); p->SetDiffuseA(a); break;
    case 2: p->SetSpecularR(r); p->SetSpecularG(g); p->SetSpecularB(b); p->SetSpecularA(a); break;
    default: p->SetEmissionR(r); p->SetEmissionG(g); p->SetEmissionB(b); p->SetEmissionA(a); break;
  }
}

void GetColor(TPart* p, int target, TFloatVector& c) {
  const float values[4][4] = {{p->AmbientR, p->AmbientG, p->AmbientB, p->AmbientA},
                              {p->DiffuseR, p->DiffuseG, p->DiffuseB, p->DiffuseA},
                              {p->SpecularR, p->SpecularG, p->SpecularB, p->SpecularA},
                              {p->EmissionR, p->EmissionG, p->EmissionB, p->EmissionA}};
  for (int i = 0; i < 4; ++i) c.SetElement(i, values[target][i]);
}

void Set3(TFloatVector& v, float a, float b, float c) {
  v.SetElement(0, a);
  v.SetElement(1, b);
  v.SetElement(2, c);
}

TPanel* AddPage(TForm* form, TWinControl* parent, TAlign align, int width) {
  auto* page = new TPanel(form);
  page->SetParent(parent);
  page->SetBevelOuter(bvNone);
  if (width > 0) page->SetWidth(width);
  page->SetAlign(align);
  return page;
}

TLabel* AddLine(TForm* form, TWinControl* parent, int top) {
  auto* line = new TLabel(form);
  line->AutoSize = false;
  line->SetParent(parent);
  line->SetTop(top);
  line->SetHeight(20);
  line->SetAlign(alTop);
  return line;
}

// The fields of part's kind that the editor named group shows, in declaration order (up to four).
std::vector<const TPartField*> GroupFields(const TPartClass& kind, const std::string& group) {
  std::vector<const TPartField*> fields;
  kind.EachField([&](const TPartField& f) {
    if (f.Numeric() && f.Editor().Group && group == f.Editor().Group && fields.size() < 4) fields.push_back(&f);
  });
  return fields;
}

// Shows the kind's labels in a shared editor (the ranges come with the values).
void Retarget(TFloatEdit* edit, const std::vector<const TPartField*>& fields) {
  TStringList labels;
  for (size_t i = 0; i < fields.size(); ++i) {
    const TFieldEditor& e = fields[i]->Editor();
    labels.Add(i > 0 ? AnsiString("  ") + e.Label : AnsiString(e.Label));
  }
  while (labels.Count() < 4) labels.Add("");
  edit->SetLabels(&labels);
  edit->SetNValues(static_cast<int>(fields.size()));
}

// A field's range: its editor's as the bar's, its limits as what may be typed at all (at most what the
// scroll bar can hold, a million either way).
TValueRange FieldRange(const TPartField& f) {
  const TFieldEditor& e = f.Editor();
  TValueRange r;
  r.lo = e.Min;
  r.hi = e.Max;
  r.limitLo = std::max(e.LimitMin, -1e6f);
  r.limitHi = std::min(e.LimitMax, 1e6f);
  r.integral = f.Integral();
  return r;
}

// A range whose bar goes lo..hi and that takes any value within a million (soft), or only lo..hi (hard).
std::function<TValueRange(int)> Soft(float lo, float hi) {
  TValueRange r;
  r.lo = lo;
  r.hi = hi;
  return [r](int) { return r; };
}
std::function<TValueRange(int)> Hard(float lo, float hi, bool integral = false) {
  TValueRange r;
  r.lo = r.limitLo = lo;
  r.hi = r.limitHi = hi;
  r.integral = integral;
  return [r](int) { return r; };
}

std::string Label(const TFloatEdit* edit, int element) {
  std::string text = element < edit->Labels()->Count() ? edit->Labels()->Strings(element).str() : "";
  size_t start = text.find_first_not_of(' ');
  return start == std::string::npos ? edit->Name.str() : text.substr(start);
}

// Stacks a column's top-aligned children in the order they were made, after some were hidden and shown.
void KeepOrder(TWinControl* column) {
  // Each one moved past the others goes last; done in creation order, they end up in it.
  for (int i = 0; i < column->ControlCount(); ++i) column->Controls(i)->SetTop(1000000);
}

}  // namespace

TButton* AddButton(TForm* form, TWinControl* parent, const char* name, const char* caption, int width,
                   TNotifyEvent onClick, int tag) {
  auto* button = new TButton(form);
  button->Name = name;
  button->SetParent(parent);
  button->SetCaption(caption);
  button->SetWidth(width);
  button->SetLeft(parent->ControlCount() * 1000);
  button->SetAlign(alLeft);
  button->Tag = tag;
  button->OnClick = onClick;
  return button;
}

TPartPanel::TPartPanel(TForm* form, TWinControl* parent, TOpenGl* gl) : FForm(form), FGl(gl) {
  FPartPage = AddPage(form, parent, alClient, 0);
  TPanel* placement = AddPage(form, FPartPage, alLeft, kColumnWidth);
  TPanel* looks = AddPage(form, FPartPage, alClient, 0);
  FLightPage = AddPage(form, parent, alClient, 0);
  FLightPage->SetVisible(false);
  BindPart();
  BindLight();
  (void)placement;
  (void)looks;
  SetPart(nullptr);
}

TFloatEdit* TPartPanel::AddEdit(TWinControl* parent, const char* name, int n, const char* labels, float lo,
                                float hi, int smallStep, int largeStep, int digits, bool angle, bool color) {
  TFloatEdit* edit = angle ? static_cast<TFloatEdit*>(new TAngleEdit(FForm))
                           : color ? static_cast<TFloatEdit*>(new TColorEdit(FForm))
                                   : n >= 3 ? static_cast<TFloatEdit*>(new TPos3D(FForm)) : new TFloatEdit(FForm);
  edit->Name = name;
  edit->SetParent(parent);
  edit->SetHeight(kEditHeight);
  edit->SetTop(parent->ControlCount() * 1000);
  edit->SetAlign(alTop);
  TStringList names;
  std::string all = labels;
  for (size_t start = 0; start <= all.size();) {
    size_t comma = all.find(',', start);
    if (comma == std::string::npos) comma = all.size();
    // The editor sets its fields side by side with no gap: two spaces keep "x= 0.00  y= 2.20" apart.
    names.Add(((start > 0 ? "  " : "") + all.substr(start, comma - start)).c_str());
    start = comma + 1;
  }
  edit->SetLabels(&names);
  edit->SetNValues(n);
  edit->SetDecDigits(digits);
  TFloatVector bound;
  for (int i = 0; i < 4; ++i) bound.SetElement(i, hi);
  edit->SetMax(&bound);
  for (int i = 0; i < 4; ++i) bound.SetElement(i, lo);
  edit->SetMin(&bound);
  edit->ScrollBar()->Name = (std::string(name) + "Bar").c_str();
  edit->ScrollBar()->SmallChange = smallStep;
  edit->ScrollBar()->LargeChange = largeStep;
  edit->ScrollBar()->OnMouseDown = MakeEvent(this, &TPartPanel::BarDown);
  edit->ScrollBar()->OnMouseUp = MakeEvent(this, &TPartPanel::BarUp);
  edit->OnChange = MakeEvent(this, &TPartPanel::Changed);
  // A click on a value opens it for typing (and makes it the one the scroll bar moves).
  for (int i = 0; i < 4; ++i) edit->FieldLabel(i)->OnClick = MakeEvent(this, &TPartPanel::LabelClick);
  return edit;
}

void TPartPanel::Bind(TFloatEdit* edit, std::function<bool(TFloatVector&)> load,
                      std::function<void(const TFloatVector&)> store, std::function<TValueRange(int)> range) {
  FBindings.push_back({edit, std::move(load), std::move(store), std::move(range)});
}

TPartPanel::Binding* TPartPanel::BindingOf(TFloatEdit* edit) {
  for (Binding& b : FBindings)
    if (b.edit == edit) return &b;
  return nullptr;
}

void TPartPanel::BindPart() {
  TWinControl* placement = static_cast<TWinControl*>(FPartPage->Controls(0));
  TWinControl* looks = static_cast<TWinControl*>(FPartPage->Controls(1));
  TPart*& p = FPart;

  Bind(AddEdit(placement, "PosEdit", 3, "x,y,z", -10, 10, 100, 1000, 2),
       [&p](TFloatVector& v) { Set3(v, p->PX, p->PY, p->PZ); return true; },
       [&p](const TFloatVector& v) { p->SetPX(v.GetElement(0)); p->SetPY(v.GetElement(1)); p->SetPZ(v.GetElement(2)); },
       Soft(-10, 10));
  Bind(AddEdit(placement, "ScaleEdit", 3, "scale x,scale y,scale z", -10, 10, 100, 1000, 2),
       [&p](TFloatVector& v) { Set3(v, p->SX, p->SY, p->SZ); return true; },
       [&p](const TFloatVector& v) { p->SetSX(v.GetElement(0)); p->SetSY(v.GetElement(1)); p->SetSZ(v.GetElement(2)); },
       Soft(-10, 10));
  Bind(AddEdit(placement, "AxisEdit", 3, "axis x,axis y,axis z", -1, 1, 100, 250, 2),
       [&p](TFloatVector& v) { Set3(v, p->RX, p->RY, p->RZ); return true; },
       [&p](const TFloatVector& v) { p->SetRX(v.GetElement(0)); p->SetRY(v.GetElement(1)); p->SetRZ(v.GetElement(2)); },
       Soft(-1, 1));
  Bind(AddEdit(placement, "AngleEdit", 1, "angle", -360, 360, 5000, 45000, 1, true),
       [&p](TFloatVector& v) { v.SetElement(0, p->RotationAngle); return true; },
       [&p](const TFloatVector& v) { p->SetRotationAngle(v.GetElement(0)); }, Soft(-360, 360));
  Bind(AddEdit(placement, "TextureEdit", 1, "texture slot", -2, TEXTURE_SLOTS - 1, 1000, 1000, 0),
       [&p](TFloatVector& v) { v.SetElement(0, static_cast<float>(p->Texture)); return true; },
       [&p](const TFloatVector& v) { p->SetTexture(Round(v.GetElement(0))); }, Hard(-2, TEXTURE_SLOTS - 1, true));

  // The colour editor with the four colours it can edit above it.
  auto* choice = FColorChoice = AddPage(FForm, looks, alNone, 0);
  choice->SetHeight(20);
  choice->SetTop(0);
  choice->SetAlign(alTop);
  for (int i = 0; i < 4; ++i) {
    AddButton(FForm, choice, kColorNames[i], kColorNames[i], 70, MakeEvent(this, &TPartPanel::ColorButton), i);
  }
  FColorLine = AddLine(FForm, choice, 0);
  FColorLine->SetAlign(alClient);
  int& target = FColorTarget;
  Bind(AddEdit(looks, "ColorEdit", 4, "r,g,b,a", 0, 1, 50, 250, 2, false, true),
       [&p, &target](TFloatVector& v) { GetColor(p, target, v); return true; },
       [&p, &target](const TFloatVector& v) { SetColor(p, target, v); }, Hard(0, 1));
  Bind(AddEdit(looks, "ShininessEdit", 1, "shininess", 0, 128, 1000, 10000, 1),
       [&p](TFloatVector& v) { v.SetElement(0, p->Shininess); return true; },
       [&p](const TFloatVector& v) { p->SetUseMaterial(true); p->SetShininess(v.GetElement(0)); }, Hard(0, 128));

  // The kinds' own values, as their fields ask: one editor per group of fields, shared by the kinds that
  // name it; a polygon's points one at a time.
  std::vector<std::string> groups;
  for (const TPartClass* kind : TPartClasses::All()) {
    kind->EachField([&](const TPartField& f) {
      if (f.Numeric() && f.Editor().Group && std::find(groups.begin(), groups.end(), f.Editor().Group) == groups.end())
        groups.push_back(f.Editor().Group);
    });
  }
  for (const std::string& group : groups) {
    int n = 1;
    bool integral = true;
    for (const TPartClass* kind : TPartClasses::All()) {
      std::vector<const TPartField*> fields = GroupFields(*kind, group);
      n = std::max(n, static_cast<int>(fields.size()));
      for (const TPartField* f : fields) integral = integral && f->Integral();
    }
    const int small = integral ? 1000 : 100, large = integral ? 4000 : 1000;
    TFloatEdit* edit = AddEdit(looks, group.c_str(), n, "a,b,c,d", 0, 1, small, large, integral ? 0 : 2);
    bool& loading = FLoading;
    Bind(edit,
         [&p, &loading, edit, group, small, large](TFloatVector& v) {
           std::vector<const TPartField*> fields = GroupFields(p->PartClass(), group);
           if (fields.empty()) return false;
           if (loading) {
             Retarget(edit, fields);
             // The kind's step, where it declares one (the editor is shared: others get the default back).
             const float step = fields[0]->Editor().Step;
             edit->ScrollBar()->SmallChange = step > 0 ? std::max(1, Round(step * 1000)) : small;
             edit->ScrollBar()->LargeChange = step > 0 ? std::max(1, Round(step * 10000)) : large;
           }
           for (size_t i = 0; i < fields.size(); ++i)
             v.SetElement(static_cast<int>(i), static_cast<float>(fields[i]->Get(*p)));
           return true;
         },
         [&p, group](const TFloatVector& v) {
           std::vector<const TPartField*> fields = GroupFields(p->PartClass(), group);
           for (size_t i = 0; i < fields.size(); ++i) fields[i]->Set(*p, v.GetElement(static_cast<int>(i)));
         },
         [&p, group](int element) {
           std::vector<const TPartField*> fields = GroupFields(p->PartClass(), group);
           return element < static_cast<int>(fields.size()) ? FieldRange(*fields[element]) : TValueRange();
         });
  }
  auto* points = AddPage(FForm, looks, alNone, 0);
  points->Name = "PointList";
  points->SetHeight(20);
  points->SetTop(looks->ControlCount() * 1000);
  points->SetAlign(alTop);
  const char* const pointButtons[4][2] = {{"PointPrev", "<"}, {"PointNext", ">"}, {"PointAdd", "+"}, {"PointDel", "-"}};
  for (int i = 0; i < 4; ++i) {
    AddButton(FForm, points, pointButtons[i][0], pointButtons[i][1], 24, MakeEvent(this, &TPartPanel::PointButton), i);
  }
  FPointLine = AddLine(FForm, points, 0);
  FPointLine->SetAlign(alClient);
  int& point = FPoint;
  Bind(AddEdit(looks, "PointEdit", 3, "point x,point y,point z", -10, 10, 100, 1000, 2),
       [&p, &point](TFloatVector& v) {
         const TPartPointList* list = p->PartClass().PointList();
         if (!list || point >= list->Count(*p)) return false;
         float xyz[3];
         list->GetPoint(*p, point, xyz);
         Set3(v, xyz[0], xyz[1], xyz[2]);
         return true;
       },
       [&p, &point](const TFloatVector& v) {
         const TPartPointList* list = p->PartClass().PointList();
         if (!list) return;
         const float xyz[3] = {v.GetElement(0), v.GetElement(1), v.GetElement(2)};
         list->SetPoint(*p, point, xyz);
       },
       Soft(-10, 10));
}

void TPartPanel::BindLight() {
  FLightLine = AddLine(FForm, FLightPage, 0);
  int& light = FLight;
  TOpenGl* gl = FGl;
  Bind(AddEdit(FLightPage, "LightSlotEdit", 1, "light slot", 0, LIGHT_SLOTS - 1, 1000, 4000, 0),
       [&light](TFloatVector& v) { v.SetElement(0, static_cast<float>(light)); return true; }, nullptr,
       Hard(0, LIGHT_SLOTS - 1, true));
  auto* row = AddPage(FForm, FLightPage, alNone, 0);
  row->SetHeight(20);
  row->SetTop(FLightPage->ControlCount() * 1000);
  row->SetAlign(alTop);
  AddButton(FForm, row, "LightOn", "on/off", 60, MakeEvent(this, &TPartPanel::LightToggle), 0);
  for (int i = 0; i < 3; ++i)
    AddButton(FForm, row, (std::string("Light") + kColorNames[i]).c_str(), kColorNames[i], 70,
              MakeEvent(this, &TPartPanel::ColorButton), 10 + i);
  Bind(AddEdit(FLightPage, "LightPosEdit", 4, "x,y,z,w", -10, 10, 100, 1000, 2),
       [gl, &light](TFloatVector& v) {
         for (int i = 0; i < 4; ++i) v.SetElement(i, gl->GetLight(light)->PositionVector()[i]);
         return true;
       },
       [gl, &light](const TFloatVector& v) {
         TLuce* l = gl->GetLight(light);
         l->SetPositionX(v.GetElement(0));
         l->SetPositionY(v.GetElement(1));
         l->SetPositionZ(v.GetElement(2));
         l->SetPositionW(v.GetElement(3));
       },
       Soft(-10, 10));
  int& which = FLightColor;
  Bind(AddEdit(FLightPage, "LightColorEdit", 4, "r,g,b,a", 0, 1, 50, 250, 2, false, true),
       [gl, &light, &which](TFloatVector& v) {
         TLuce* l = gl->GetLight(light);
         float* c = which == 0 ? l->AmbientVector() : which == 1 ? l->DiffuseVector() : l->SpecularVector();
         for (int i = 0; i < 4; ++i) v.SetElement(i, c[i]);
         return true;
       },
       [gl, &light, &which](const TFloatVector& v) {
         TLuce* l = gl->GetLight(light);
         float r = v.GetElement(0), g = v.GetElement(1), b = v.GetElement(2), a = v.GetElement(3);
         if (which == 0) { l->SetAmbientR(r); l->SetAmbientG(g); l->SetAmbientB(b); l->SetAmbientA(a); }
         else if (which == 1) { l->SetDiffuseR(r); l->SetDiffuseG(g); l->SetDiffuseB(b); l->SetDiffuseA(a); }
         else { l->SetSpecularR(r); l->SetSpecularG(g); l->SetSpecularB(b); l->SetSpecularA(a); }
       },
       Hard(0, 1));
}

namespace {
bool IsLightEdit(const TFloatEdit* e) { return e->Name.str().rfind("Light", 0) == 0; }
}  // namespace

void TPartPanel::ShowBinding(Binding& b, const TFloatVector& v) {
  TFloatVector lo, hi;
  for (int i = 0; i < 4; ++i) {
    float l = 0, h = 0;
    BarRange(b.range(i), v.GetElement(i), l, h);
    lo.SetElement(i, l);
    hi.SetElement(i, h);
  }
  // The ranges first, so that the value fits the bar when it arrives: a clamp would change it.
  b.edit->SetMin(&lo);
  b.edit->SetMax(&hi);
  TFloatVector value;
  for (int i = 0; i < 4; ++i) value.SetElement(i, v.GetElement(i));
  b.edit->SetValue(&value);
}

void TPartPanel::ShowValues() {
  CancelTyping();
  FLoading = true;
  for (Binding& b : FBindings) {
    bool light = IsLightEdit(b.edit);
    TFloatVector v;
    bool shown = light ? true : FPart && b.load(v);
    if (light) b.load(v);
    b.edit->SetVisible(shown);
    if (shown) ShowBinding(b, v);
  }
  FLoading = false;
  // Nothing selected: no material to choose a colour of.
  FColorChoice->SetVisible(FPart != nullptr);
  ShowTextureWord();
  for (int i = 0; i < FPartPage->ControlCount(); ++i)
    KeepOrder(static_cast<TWinControl*>(FPartPage->Controls(i)));
  KeepOrder(FLightPage);
  FColorLine->SetCaption((std::string(" editing ") + kColorNames[FColorTarget]).c_str());
  TLuce* l = FGl->GetLight(FLight);
  const char* colour = kColorNames[FLightColor];
  FLightLine->SetCaption((" light " + std::to_string(FLight) + (l->Enabled ? " on" : " off") + ", editing " + colour).c_str());
  ShowPointLine();
}

const TPartPointList* TPartPanel::PointList() const { return FPart ? FPart->PartClass().PointList() : nullptr; }

void TPartPanel::ShowPointLine() {
  const TPartPointList* list = PointList();
  FPointLine->Parent()->SetVisible(list != nullptr);
  if (list)
    FPointLine->SetCaption((" point " + std::to_string(FPoint) + " of " + std::to_string(list->Count(*FPart))).c_str());
}

void TPartPanel::SetPart(TPart* part) {
  if (part != FPart) FPoint = 0;
  FPart = part;
  if (const TPartPointList* list = PointList()) {
    const int n = list->Count(*FPart);
    if (FPoint >= n) FPoint = n > 0 ? n - 1 : 0;
  }
  ShowValues();
}

void TPartPanel::ShowLights(bool on) {
  FLights = on;
  FPartPage->SetVisible(!on);
  FLightPage->SetVisible(on);
  ShowValues();
}

void TPartPanel::SetColorTarget(int target) {
  FColorTarget = target;
  ShowValues();
}

void TPartPanel::ReloadPosition() {
  for (Binding& b : FBindings) {
    TFloatVector v;
    if (b.edit->Name != AnsiString("PosEdit") || !FPart || !b.load(v)) continue;
    FLoading = true;
    ShowBinding(b, v);
    FLoading = false;
  }
}

void TPartPanel::StoreElement(Binding& b, int element, float value) {
  TFloatVector v;
  // The other values as the part holds them, not as the editor shows them (rounded to its digits).
  if (!b.load(v)) return;
  v.SetElement(element, value);
  b.store(v);
}

void TPartPanel::Changed(TObject* Sender) {
  if (FLoading) return;
  for (Binding& b : FBindings) {
    if (b.edit != Sender) continue;
    if (!b.store) {  // the light slot: a choice of what to show, not an edit
      FLight = Round(b.edit->Value()->GetElement(0));
      ShowValues();
      return;
    }
    if (!IsLightEdit(b.edit) && !FPart) return;
    int element = b.edit->CurrentLabel()->Tag;
    StoreElement(b, element, b.edit->Value()->GetElement(element));
    ShowTextureWord();
    OnEdited(this);
    if (!FDragging) OnEditDone(this);
    return;
  }
}

void TPartPanel::ShowTextureWord() {
  for (Binding& b : FBindings) {
    if (b.edit->Name != AnsiString("TextureEdit") || !FPart) continue;
    // -1 and -2 are no slots: say what they do.
    const int slot = FPart->Texture;
    const char* word = slot == -2 ? " (none)" : slot == -1 ? " (inherit)" : slot < 0 || slot >= TEXTURE_SLOTS ? " (off)" : "";
    b.edit->FieldLabel(0)->SetCaption(("texture slot=" + std::to_string(slot) + word).c_str());
  }
}

void TPartPanel::LabelClick(TObject* Sender) {
  for (Binding& b : FBindings) {
    for (int i = 0; i < b.edit->NValues() && i < 4; ++i) {
      if (b.edit->FieldLabel(i) != Sender) continue;
      // Choosing the value the bar moves is no edit.
      FLoading = true;
      b.edit->EditClick(Sender);
      FLoading = false;
      StartTyping(b.edit->Name.str(), i);
      return;
    }
  }
}

TEdit* TPartPanel::Typing() const { return FTypingEdit ? FTyping : nullptr; }

bool TPartPanel::StartTyping(const std::string& editor, int element) {
  CancelTyping();
  Binding* found = nullptr;
  for (Binding& b : FBindings)
    if (b.edit->Name.str() == editor) found = &b;
  if (!found || !found->edit->Visible() || element < 0 || element >= found->edit->NValues() || element > 3) return false;
  TFloatVector v;
  if (!found->load(v)) return false;
  if (!FTyping) {
    FTyping = new TEdit(FForm);
    FTyping->Name = "ValueEdit";
    FTyping->OnAccept = MakeEvent(this, &TPartPanel::TypedAccept);
    FTyping->OnCancel = MakeEvent(this, &TPartPanel::TypedCancel);
  }
  TLabel* label = found->edit->FieldLabel(element);
  FTyping->SetParent(found->edit->LabelPanel());
  FTyping->SetBounds(label->Left(), 0, std::max(label->Width(), 60), found->edit->LabelPanel()->Height());
  char text[64];
  std::snprintf(text, sizeof text, "%.7g", static_cast<double>(v.GetElement(element)));
  FTyping->SetText(text);
  FTyping->SetVisible(true);
  FTyping->SelectAll();
  FTypingEdit = found->edit;
  FTypingElement = element;
  FForm->SetActiveControl(FTyping);
  return true;
}

bool TPartPanel::ApplyTyped() {
  Binding* b = FTypingEdit ? BindingOf(FTypingEdit) : nullptr;
  if (!b) return false;
  double value = 0;
  std::string why;
  const std::string name = Label(b->edit, FTypingElement);
  if (!ParseTypedValue(FTyping->Text().str(), b->range(FTypingElement), value, why)) {
    // The text stays, to be mended or dropped with Escape.
    if (OnSay) OnSay(name + " not set: " + why, true);
    return false;
  }
  const int element = FTypingElement;
  CancelTyping();
  if (!b->store) {
    FLight = static_cast<int>(value);
  } else if (IsLightEdit(b->edit) || FPart) {
    // The value it already has is no edit: no undo step, nothing to save.
    TFloatVector now;
    if (b->load(now) && now.GetElement(element) != static_cast<float>(value)) {
      StoreElement(*b, element, static_cast<float>(value));
      OnEdited(this);
      OnEditDone(this);
    }
  }
  ShowValues();
  char text[96];
  std::snprintf(text, sizeof text, "%s set to %g", name.c_str(), value);
  if (OnSay) OnSay(text, false);
  return true;
}

void TPartPanel::CancelTyping() {
  if (!FTypingEdit) return;
  FTypingEdit = nullptr;
  FTyping->SetVisible(false);
  if (FForm->ActiveControl() == FTyping) FForm->SetActiveControl(nullptr);
}

void TPartPanel::TypedAccept(TObject*) { ApplyTyped(); }

void TPartPanel::TypedCancel(TObject*) { CancelTyping(); }

void TPartPanel::BarDown(TObject*, TMouseButton, TShiftState, int, int) { FDragging = true; }

void TPartPanel::BarUp(TObject*, TMouseButton, TShiftState, int, int) {
  FDragging = false;
  OnEditDone(this);
}

void TPartPanel::ColorButton(TObject* Sender) {
  int tag = static_cast<TControl*>(Sender)->Tag;
  if (tag >= 10) {
    FLightColor = tag - 10;
    ShowValues();
  } else {
    SetColorTarget(tag);
  }
}

void TPartPanel::PointButton(TObject* Sender) {
  const TPartPointList* list = PointList();
  if (!list) return;
  int tag = static_cast<TControl*>(Sender)->Tag;
  const int n = list->Count(*FPart);
  if (tag == 0 && FPoint > 0) --FPoint;
  if (tag == 1 && FPoint + 1 < n) ++FPoint;
  if (tag == 2 || (tag == 3 && n > 1)) {
    // A new point repeats the shown one; removing takes the last.
    float xyz[3] = {0, 0, 0};
    if (n > 0) list->GetPoint(*FPart, FPoint, xyz);
    list->Resize(*FPart, tag == 2 ? n + 1 : n - 1);
    if (tag == 2) {
      list->SetPoint(*FPart, n, xyz);
      FPoint = n;
    } else if (FPoint >= n - 1) {
      FPoint = n - 2;
    }
    OnEdited(this);
    OnEditDone(this);
  }
  ShowValues();
}

void TPartPanel::LightToggle(TObject*) {
  TLuce* l = FGl->GetLight(FLight);
  l->SetEnabled(!l->Enabled);
  ShowValues();
  OnEdited(this);
  OnEditDone(this);
}
