#include "framework/Edit.h"

#include <QLineEdit>

#include "framework/Application.h"
#include "framework/ControlWidget.h"
#include "framework/QtBridge.h"

namespace {

QLineEdit* LineEdit(QWidget* widget) {
  return static_cast<QLineEdit*>(widget);
}

}  // namespace

TEdit::TEdit(TComponent* owner)
    : TWinControl(owner, NewControlWidget<QLineEdit>(TControlHost::Painting::Native)) {
  SetTabStop(true);
  SetColor(clWindow);
  SetBounds(0, 0, 121, 21);
  TControlHost* host = Host();
  QObject::connect(LineEdit(Widget()), &QLineEdit::textChanged, Widget(), [host] {
    auto* edit = static_cast<TEdit*>(host->Control());
    if (edit == nullptr) return;
    host->FromSignal([&] {
      // Qt's signal cannot carry an exception: report it here.
      try {
        edit->Change();
      } catch (...) {
        Application->HandleException(host->Control());
      }
    });
  });
}

void TEdit::Change() {
  OnChange(this);
}

void TEdit::ApplyColors() {
  QPalette palette = Widget()->palette();
  SetEnabledColor(palette, QPalette::Base, QtColor(Color()));
  SetEnabledColor(palette, QPalette::Text, QtColor(Font()->Color()));
  Widget()->setPalette(palette);
}

String TEdit::Text() const {
  return FromQt(LineEdit(Widget())->text());
}

void TEdit::SetText(const String& text) {
  LineEdit(Widget())->setText(QtString(text));
}

int TEdit::SelStart() const {
  QLineEdit* edit = LineEdit(Widget());
  return edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
}

void TEdit::SetSelStart(int start) {
  LineEdit(Widget())->setCursorPosition(start);
}

int TEdit::SelLength() const {
  return LineEdit(Widget())->selectionLength();
}

void TEdit::SetSelLength(int length) {
  QLineEdit* edit = LineEdit(Widget());
  edit->setSelection(SelStart(), length);
}

String TEdit::SelText() const {
  return FromQt(LineEdit(Widget())->selectedText());
}

void TEdit::SetSelText(const String& text) {
  LineEdit(Widget())->insert(QtString(text));
}

void TEdit::SelectAll() {
  LineEdit(Widget())->selectAll();
}

bool TEdit::ReadOnly() const {
  return LineEdit(Widget())->isReadOnly();
}

void TEdit::SetReadOnly(bool readOnly) {
  LineEdit(Widget())->setReadOnly(readOnly);
}

void TEdit::SetMaxLength(int length) {
  FMaxLength = std::max(0, length);
  LineEdit(Widget())->setMaxLength(FMaxLength == 0 ? 32767 : FMaxLength);
}
