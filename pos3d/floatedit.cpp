// The multi-value editor panel: construction, layout, caption refresh and the scroll bar link.
#include "pos3d/floatedit.h"

#include <climits>
#include <cmath>

namespace {
// A bound or value times 1000, rounded to the nearest unit and clamped to the scroll bar's int range.
// Truncating would turn the float 1.4 back into 1399: the position drifts and changes twice.
int ScrollUnits(double v) {
  if (std::isnan(v)) return 0;
  double t = std::round(v * 1000.0);
  if (t <= static_cast<double>(INT_MIN)) return INT_MIN;
  if (t >= static_cast<double>(INT_MAX)) return INT_MAX;
  return static_cast<int>(t);
}

// Whole-number bound scaled to scroll units; only whole numbers reach the scroll bar.
int BoundUnits(float bound) {
  double b = static_cast<double>(bound);
  if (std::isnan(b)) return 0;
  return ScrollUnits(std::trunc(b));
}

// Caption precision: negative counts show no decimals; beyond 1000 a float only gains zeros.
int CaptionDecimals(int digits) {
  if (digits < 0) return 0;
  return digits > 1000 ? 1000 : digits;
}
}  // namespace

TFloatEdit::TFloatEdit(TComponent* AOwner) : TPanel(AOwner) {
  FNValues = 3;
  FDecDigits = 2;

  FLabels = new TStringList();
  FLabels->Add("Element0");
  FLabels->Add("Element1");
  FLabels->Add("Element2");
  FLabels->Add("Element3");
  FLabels->OnChange = MakeEvent(this, &TFloatEdit::SetLabelCaptions);

  FValue = new TFloatVector();
  FMin = new TFloatVector();
  FMax = new TFloatVector();
  for (int i = 0; i < 4; ++i) FMax->SetElement(i, 10.0f);
  for (int i = 0; i < 4; ++i) FMin->SetElement(i, -10.0f);
  FValue->OnChange = MakeEvent(this, &TFloatEdit::ValueChanged);
  FMin->OnChange = MakeEvent(this, &TFloatEdit::ValueChanged);
  FMax->OnChange = MakeEvent(this, &TFloatEdit::ValueChanged);

  FLabelPanel = new TPanel(this);
  for (int i = 0; i < 4; ++i) {
    FFieldLabel[i] = new TLabel(this);
    FFieldLabel[i]->Tag = i;
  }
  FScrollBar = new TScrollBar(this);
  FCurrentLabel = FFieldLabel[0];

  FScrollBar->OnChange = MakeEvent(this, &TFloatEdit::ScrollChange);
  FScrollBar->SmallChange = 10;
  FScrollBar->LargeChange = 100;

  for (int i = 0; i < 4; ++i) FFieldLabel[i]->OnClick = MakeEvent(this, &TFloatEdit::EditClick);

  SetLabelCaptions(this);

  FLabelPanel->SetParent(this);
  FLabelPanel->SetBevelOuter(bvNone);
  for (int i = 0; i < 4; ++i) FFieldLabel[i]->SetParent(FLabelPanel);
  FLabelPanel->SetHeight(18);
  FLabelPanel->SetAlign(alTop);

  FScrollBar->SetParent(this);
  FScrollBar->SetAlign(alClient);
  FScrollBar->SetHeight(10);
  FScrollBar->SetTop(14);

  SetNValues(3);
  ReSizeFields();
  RefreshCurrent();
}

TFloatEdit::~TFloatEdit() {
  // The children outlive this body; keep them from calling back into a half-destroyed editor.
  if (FScrollBar) FScrollBar->OnChange = TNotifyEvent();
  for (TLabel* l : FFieldLabel)
    if (l) l->OnClick = TNotifyEvent();
  delete FValue;
  FValue = nullptr;
  delete FMin;
  FMin = nullptr;
  delete FMax;
  FMax = nullptr;
  delete FLabels;
  FLabels = nullptr;
}

void TFloatEdit::SetValue(TFloatVector* Value) {
  if (!Value) return;
  FValue->Assign(Value);
  ValueChanged(this);
}

void TFloatEdit::SetMin(TFloatVector* Value) {
  if (!Value) return;
  FMin->Assign(Value);
  ValueChanged(this);
}

void TFloatEdit::SetMax(TFloatVector* Value) {
  if (!Value) return;
  FMax->Assign(Value);
  ValueChanged(this);
}

void TFloatEdit::SetDecDigits(int Value) {
  FDecDigits = Value;
  ValueChanged(this);
}

void TFloatEdit::SetNValues(int Value) {
  FNValues = Value;
  for (int i = 0; i < 4; ++i) FFieldLabel[i]->SetVisible(Value > i);
}

void TFloatEdit::SetLabels(TStringList* Value) {
  if (!Value) return;
  FLabels->Assign(Value);
}

void TFloatEdit::SetLabelCaptions(TObject*) {
  for (int i = 0; i < 4; ++i)
    if (FLabels->Count() > i) FFieldLabel[i]->SetCaption(FLabels->Strings(i) + "=0.0");
}

// Left before alignment, so the labels stack in element order.
void TFloatEdit::ReSizeFields() {
  static const int lefts[4] = {1, 100, 200, 300};
  for (int i = 0; i < 4; ++i) {
    FFieldLabel[i]->SetLeft(lefts[i]);
    FFieldLabel[i]->SetAlign(alLeft);
    FFieldLabel[i]->SetTop(1);
    FFieldLabel[i]->SetHeight(16);
  }
}

void TFloatEdit::Loaded() {
  TPanel::Loaded();
  ReSizeFields();
  RefreshCurrent();
  ValueChanged(this);
}

void TFloatEdit::RefreshField(int Index) {
  for (int i = 0; i < 4; ++i) FFieldLabel[i]->SetColor(clBtnFace);
  FCurrentLabel->SetColor(clYellow);

  AnsiString caption;
  if (Index < FNValues) {
    AnsiString format = Format("%%s=%%5.%df", CaptionDecimals(FDecDigits));
    AnsiString name = (Index >= 0 && Index < FLabels->Count()) ? FLabels->Strings(Index) : AnsiString();
    caption = Format(format.c_str(), name.c_str(), static_cast<double>(FValue->GetElement(Index)));
  }
  if (Index >= 0 && Index <= 3) FFieldLabel[Index]->SetCaption(caption);

  if (Index == FCurrentLabel->Tag) {
    int lo = BoundUnits(FMin->GetElement(Index));
    int hi = BoundUnits(FMax->GetElement(Index));
    int v = ScrollUnits(static_cast<double>(FValue->GetElement(Index)));
    ApplyScrollRange(lo, hi);
    FScrollBar->SetPosition(v);
  }
}

// The scroll bar refuses Min above Max, so the range is applied in an order that never crosses:
// minimum first as usual, maximum first when the new range lies wholly above the present one.
// A lower bound above the upper gives the empty range hi..hi: the upper bound wins.
// Each step re-checks, because a clamp inside it runs ScrollChange (and the host) re-entrantly.
void TFloatEdit::ApplyScrollRange(int lo, int hi) {
  if (lo > hi) lo = hi;
  if (lo > FScrollBar->Max()) {
    FScrollBar->SetMax(hi);
    if (lo <= FScrollBar->Max()) FScrollBar->SetMin(lo);
  } else {
    FScrollBar->SetMin(lo);
    if (hi >= FScrollBar->Min()) FScrollBar->SetMax(hi);
  }
}

void TFloatEdit::RefreshCurrent() { RefreshField(FCurrentLabel->Tag); }

void TFloatEdit::ValueChanged(TObject*) {
  RefreshField(0);
  RefreshField(1);
  RefreshField(2);
  RefreshField(3);
}

void TFloatEdit::EditClick(TObject* Sender) {
  TLabel* label = dynamic_cast<TLabel*>(Sender);
  // Only our own field labels can become current: their tags index the vectors.
  for (TLabel* l : FFieldLabel) {
    if (l == label) {
      FCurrentLabel = label;
      break;
    }
  }
  RefreshCurrent();
}

void TFloatEdit::ScrollChange(TObject*) {
  FValue->SetElement(FCurrentLabel->Tag, static_cast<float>(FScrollBar->Position() * 0.001));
  RefreshCurrent();
  OnChange(this);
}
