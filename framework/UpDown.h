#pragma once

// Spin buttons: two arrow buttons (up/down, or right/left when horizontal).
// A click on one, and every repeat while it is held (after a short delay),
// proposes Position plus or minus Increment (kept in Min..Max, or wrapped):
// OnChanging, then OnChangingEx with the proposed value and the direction,
// may refuse it; taken, it becomes Position and OnClick tells which button.
// The buttons report a direction even when Position cannot move.

#include "framework/Controls.h"

enum TUpDownDirection { updNone, updUp, updDown };
enum TUDBtnType { btNext, btPrev };
enum TUDOrientation { udVertical, udHorizontal };

using TUDChangingEvent = TEvent<TObject*, bool&>;
using TUDChangingEventEx = TEvent<TObject*, bool&, short, TUpDownDirection>;
using TUDClickEvent = TEvent<TObject*, TUDBtnType>;

class TUpDown : public TCustomControl {
 public:
  static constexpr UINT kRepeatDelay = 400;
  static constexpr UINT kRepeatInterval = 100;

  explicit TUpDown(TComponent* owner);
  ~TUpDown() override;

  short Min() const { return FMin; }
  void SetMin(short value);
  short Max() const { return FMax; }
  void SetMax(short value);
  short Position() const { return FPosition; }
  void SetPosition(short value);
  int Increment() const { return FIncrement; }
  void SetIncrement(int increment) { FIncrement = increment; }
  TUDOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TUDOrientation orientation);
  bool Wrap() const { return FWrap; }
  void SetWrap(bool wrap) { FWrap = wrap; }

  void Dispatch(TMessage& message) override;

  TUDChangingEvent OnChanging;
  TUDChangingEventEx OnChangingEx;
  // Which button moved Position (hides TControl's OnClick, as the platform's does).
  TUDClickEvent OnClick;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  // One step in `direction`; false when the control was destroyed meanwhile.
  bool Step(TUpDownDirection direction);

 private:
  TUpDownDirection ButtonAt(int x, int y) const;
  TRect ButtonRect(TUpDownDirection direction) const;
  void StopRepeat();

  short FMin = 0;
  short FMax = 100;
  short FPosition = 0;
  int FIncrement = 1;
  TUDOrientation FOrientation = udVertical;
  bool FWrap = false;
  TUpDownDirection FPressed = updNone;
  bool FPointerOnPressed = false;
  bool FRepeating = false;
};
