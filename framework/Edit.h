#pragma once

// A single-line text box over QLineEdit. OnChange follows every change of
// the text, typed or set by code. Keys reach OnKeyDown, OnKeyPress (set the
// character to 0 to keep it out of the text) and OnKeyUp first.

#include "framework/Controls.h"

class TEdit : public TWinControl {
 public:
  explicit TEdit(TComponent* owner);

  String Text() const;
  void SetText(const String& text);
  // The caret, or the start of the selection; and the selection's length.
  int SelStart() const;
  void SetSelStart(int start);
  int SelLength() const;
  void SetSelLength(int length);
  String SelText() const;
  // Replaces the selection (or inserts at the caret).
  void SetSelText(const String& text);
  void SelectAll();
  void Clear() { SetText(String()); }
  bool ReadOnly() const;
  void SetReadOnly(bool readOnly);
  // 0: no limit.
  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int length);

  TNotifyEvent OnChange;

 protected:
  virtual void Change();
  void ApplyColors() override;

 private:
  int FMaxLength = 0;
};
