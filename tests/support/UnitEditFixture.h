#pragma once

// A numeric edit on a shown form, typed into and spun as a person does, for
// the numeric edits' tests.

#include <gtest/gtest.h>

#include <QTest>
#include <chrono>
#include <vector>

#include "components/UnitEdit.h"
#include "framework/Form.h"
#include "tests/support/EventPump.h"

using Clock = std::chrono::steady_clock;

// An edit on a shown form, its OnChange values recorded.
template <typename T>
struct EditOnForm {
  EditOnForm() : form(nullptr), edit(new T(&form)) {
    form.SetBounds(0, 0, 320, 200);
    edit->SetParent(&form);
    edit->SetLeft(20);
    edit->SetTop(20);
    edit->OnChange = [this](TObject* sender) {
      EXPECT_EQ(sender, edit);
      changes.push_back(edit->GetValue());
    };
    form.Show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.Widget()));
  }
  QWidget* Box() const { return edit->TextBox()->Widget(); }
  String Text() const { return edit->TextBox()->Text(); }
  // Selects all, deletes it and types `keys`, key by key.
  void Retype(const char* keys) {
    QTest::keyClick(Box(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(Box(), Qt::Key_Backspace);
    QTest::keyClicks(Box(), keys);
  }
  // Waits for the correction timer; the milliseconds since `since`.
  long WaitForCorrection(Clock::time_point since) {
    EXPECT_NE(edit->CorrectionTimer(), nullptr);
    EXPECT_TRUE(PumpUntil([this] { return edit->CorrectionTimer() == nullptr; }));
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
  }
  void Spin(bool up) {
    QWidget* spin = edit->SpinButtons()->Widget();
    QTest::mouseClick(spin, Qt::LeftButton, {}, QPoint(6, up ? 2 : spin->height() - 3));
  }

  TForm form;
  T* edit;
  std::vector<double> changes;
};
