#pragma once

#include <QTest>
#include <QTimer>

#include "framework/Form.h"

// What a handler that shows a message box does to the control that raised it:
// a modal form comes up, the user lets go of the mouse and clicks in the box,
// and it closes. The control's press or drag must end with it.
inline void ShowModalBoxTheUserClicks() {
  TForm box(nullptr);
  box.SetBounds(100, 100, 120, 80);
  QTimer::singleShot(50, [&] {
    QTest::mouseClick(box.Widget(), Qt::LeftButton, {}, QPoint(10, 10));
    box.SetModalResult(mrOk);
  });
  box.ShowModal();
}
