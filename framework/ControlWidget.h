#pragma once

// The widget side of a control (framework-internal): a QWidget subclass
// that turns the events Qt delivers into window messages for its control,
// and runs the Qt class's own handling when the control's DefaultHandler
// asks for it. Controls that paint themselves keep their pixels here.

#include <QEvent>
#include <QImage>
#include <QRegion>
#include <QWidget>
#include <utility>
#include <vector>

#include "platform/user/Messages.h"

class TControl;
class QKeyEvent;
class QMouseEvent;

class TControlHost {
 public:
  enum class Painting {
    Native,       // the Qt class paints
    Opaque,       // the control paints every pixel
    Transparent,  // the control paints over what lies behind it
  };

  TControlHost(QWidget* self, Painting painting);
  virtual ~TControlHost();
  TControlHost(const TControlHost&) = delete;
  TControlHost& operator=(const TControlHost&) = delete;

  void Attach(TControl* control) { FControl = control; }
  // The control is going: no more messages; the widget goes with it (later,
  // when it is handling an event right now).
  void ReleaseWidget();
  TControl* Control() const { return FControl; }
  QWidget* Self() const { return FSelf; }

  // Runs `handle` for a signal of the widget's own. Qt is inside the
  // widget's code then (a text set by a program, a tab chosen), so as during
  // an event the widget outlives a control that a handler destroys.
  template <typename F>
  void FromSignal(F&& handle) {
    FInFlight.push_back(InFlight{0, nullptr, false});
    struct Done {
      std::vector<InFlight>& inFlight;
      ~Done() { inFlight.pop_back(); }
    } done{FInFlight};
    handle();
  }

  // Runs Qt's handling of `message` when it came from a Qt event now being
  // handled (or can be made into one: keys sent by code).
  void DefaultHandler(TMessage& message);

  Painting PaintingKind() const { return FPainting; }
  void SetPainting(Painting painting);
  // The control's pixels, sized to its client area.
  QImage& Pixels() { return FPixels; }
  const QRegion& InvalidRegion() const { return FInvalid; }
  void InvalidateAll();
  void Validate() { FInvalid = QRegion(); }
  void ResizePixels(int width, int height);

 protected:
  // Called from the widget's event(): the one entry for every Qt event.
  bool HandleEvent(QEvent* event);
  virtual bool BaseEvent(QEvent* event) = 0;

 private:
  struct InFlight {
    UINT msg;
    QEvent* event;
    bool defaulted;
  };

  // Delivers `message` to the control, `event` being the Qt event it came
  // from; false when the control is gone afterwards.
  bool Deliver(TMessage& message, QEvent* event);
  bool Mouse(QMouseEvent* event);
  bool Key(QKeyEvent* event);
  bool Paint(QEvent* event);
  void DefaultKey(TMessage& message, QEvent* original);

  QWidget* FSelf;
  TControl* FControl = nullptr;
  Painting FPainting;
  QImage FPixels;
  QRegion FInvalid;
  std::vector<InFlight> FInFlight;
  bool FReleased = false;
};

// A control's widget: the Qt class Q with its events routed to the control.
template <typename Q>
class TControlWidget : public Q, public TControlHost {
 public:
  template <typename... Args>
  explicit TControlWidget(Painting painting, Args&&... args)
      : Q(std::forward<Args>(args)...), TControlHost(this, painting) {}

 protected:
  bool event(QEvent* event) override { return HandleEvent(event); }
  bool BaseEvent(QEvent* event) override { return Q::event(event); }
};

// Makes a control's widget, the event loop first (no widget exists without
// it): for the constructors of the control classes.
void EnsureWidgetsCanExist();
template <typename Q, typename... Args>
TControlWidget<Q>* NewControlWidget(TControlHost::Painting painting, Args&&... args) {
  EnsureWidgetsCanExist();
  return new TControlWidget<Q>(painting, std::forward<Args>(args)...);
}

// The control a widget shows; null for other widgets.
TControl* ControlOfWidget(QWidget* widget);
