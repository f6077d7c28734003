// The multi-value editor panel: up to four captions of a vector's elements and one scroll bar.
#pragma once

#include "framework/controls/controls.h"
#include "pos3d/vectors.h"

class TFloatEdit : public TPanel {
public:
  explicit TFloatEdit(TComponent* AOwner);
  ~TFloatEdit() override;

  TFloatVector* Value() const { return FValue; }
  TFloatVector* Min() const { return FMin; }
  TFloatVector* Max() const { return FMax; }
  int NValues() const { return FNValues; }
  int DecDigits() const { return FDecDigits; }
  TStringList* Labels() const { return FLabels; }

  // Each copies the argument in and refreshes; a null argument changes nothing.
  void SetValue(TFloatVector* Value);
  void SetMin(TFloatVector* Value);
  void SetMax(TFloatVector* Value);
  void SetDecDigits(int Value);
  void SetNValues(int Value);
  void SetLabels(TStringList* Value);
  void SetLabelCaptions(TObject* Sender);

  void ReSizeFields();
  void Loaded() override;
  void RefreshField(int Index);
  void RefreshCurrent();
  void ValueChanged(TObject* Sender);
  void EditClick(TObject* Sender);
  void ScrollChange(TObject* Sender);

  // Raised after the scroll bar changed the current element.
  TNotifyEvent OnChange;

  // The child controls, for hosts and tests that look at the layout.
  TPanel* LabelPanel() const { return FLabelPanel; }
  TLabel* FieldLabel(int i) const { return (i >= 0 && i <= 3) ? FFieldLabel[i] : nullptr; }
  TScrollBar* ScrollBar() const { return FScrollBar; }
  TLabel* CurrentLabel() const { return FCurrentLabel; }

protected:
  TPanel* FLabelPanel = nullptr;
  TLabel* FFieldLabel[4] = {nullptr, nullptr, nullptr, nullptr};
  TScrollBar* FScrollBar = nullptr;
  int FNValues = 3;
  int FDecDigits = 2;
  TStringList* FLabels = nullptr;
  TLabel* FCurrentLabel = nullptr;
  TFloatVector* FValue = nullptr;
  TFloatVector* FMin = nullptr;
  TFloatVector* FMax = nullptr;

private:
  void ApplyScrollRange(int lo, int hi);
};
