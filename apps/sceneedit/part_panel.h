// The editors of the selected part (placement, material, the kind's own values) and of one light slot.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/controls/button.h"
#include "framework/controls/controls.h"
#include "view_edits.h"

class TEdit;
class TFloatEdit;
class TFloatVector;
class TOpenGl;
class TPart;
class TLabel;
class TPartPointList;

class TPartPanel : public TObject {
public:
  // Builds the editors inside parent; the form owns every control.
  TPartPanel(TForm* form, TWinControl* parent, TOpenGl* gl);
  // Shows the part's values (null: the editors are emptied and do nothing).
  void SetPart(TPart* part);
  TPart* Part() const { return FPart; }
  // Shows the light slot's editors instead of the part's, or back.
  void ShowLights(bool on);
  bool LightsShown() const { return FLights; }
  // Values changed from outside (undo, a load): shown again.
  void Reload() { SetPart(FPart); }
  // Only the position, as a drag in the view changes it (cheaper than Reload, for every motion).
  void ReloadPosition();
  // Ambient, diffuse, specular, emission: which colour the colour editor edits.
  void SetColorTarget(int target);
  void NextColorTarget() { SetColorTarget((FColorTarget + 1) % 4); }
  int ColorTarget() const { return FColorTarget; }
  // While the left button holds one of the scroll bars: a drag goes into one undo step.
  bool Dragging() const { return FDragging; }

  // Opens the edit in place over a value (the editor's window name and the value's index), as a click on it
  // does; false when that editor is not shown.
  bool StartTyping(const std::string& editor, int element);
  // The edit in place, while a value is being typed (null otherwise).
  TEdit* Typing() const;
  // Applies the typed text as Return does: false, with the reason said, when it is refused.
  bool ApplyTyped();
  void CancelTyping();

  // After every value the user changed, and after the button that changed it went up.
  TNotifyEvent OnEdited, OnEditDone;
  // A line for the status: a typed value set, or refused (error) with the range.
  std::function<void(const std::string& line, bool error)> OnSay;

private:
  // One editor and how its values come from and go to the selected part (or light).
  struct Binding {
    TFloatEdit* edit;
    std::function<bool(TFloatVector&)> load;  // false: not for this part
    std::function<void(const TFloatVector&)> store;
    std::function<TValueRange(int element)> range;
  };
  TFloatEdit* AddEdit(TWinControl* parent, const char* name, int n, const char* labels, float lo, float hi,
                      int smallStep, int largeStep, int digits, bool angle = false, bool color = false);
  void Bind(TFloatEdit* edit, std::function<bool(TFloatVector&)> load,
            std::function<void(const TFloatVector&)> store, std::function<TValueRange(int)> range);
  Binding* BindingOf(TFloatEdit* edit);
  // Shows a binding's values, each element's bar widened to hold its value.
  void ShowBinding(Binding& b, const TFloatVector& v);
  // Stores one element into the part (or light), the others as they are there.
  void StoreElement(Binding& b, int element, float value);
  void LabelClick(TObject* Sender);
  void TypedAccept(TObject* Sender);
  void TypedCancel(TObject* Sender);
  void ShowTextureWord();
  void BindPart();
  void BindLight();
  void Changed(TObject* Sender);
  void BarDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void BarUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void ColorButton(TObject* Sender);
  void PointButton(TObject* Sender);
  void LightToggle(TObject* Sender);
  void ShowValues();
  void ShowPointLine();
  // The selected part's point list, when its kind has one.
  const TPartPointList* PointList() const;

  TForm* FForm;
  TOpenGl* FGl;
  TPart* FPart = nullptr;
  std::vector<Binding> FBindings;
  bool FLoading = false, FDragging = false, FLights = false;
  int FColorTarget = 1;  // diffuse
  int FPoint = 0;        // the polygon point shown
  int FLight = 0;
  TPanel* FPartPage = nullptr;
  TPanel* FLightPage = nullptr;
  TLabel* FColorLine = nullptr;
  TLabel* FPointLine = nullptr;
  TLabel* FLightLine = nullptr;
  TPanel* FColorChoice = nullptr;
  int FLightColor = 0;  // 0 ambient, 1 diffuse, 2 specular
  TEdit* FTyping = nullptr;
  TFloatEdit* FTypingEdit = nullptr;  // whose value is typed
  int FTypingElement = 0;
};

// A button with its window named (for tests and scripts to find it), its command in Tag.
TButton* AddButton(TForm* form, TWinControl* parent, const char* name, const char* caption, int width,
                   TNotifyEvent onClick, int tag);
