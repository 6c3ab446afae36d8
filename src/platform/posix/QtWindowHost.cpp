#include "platform/posix/QtWindowHost.h"

#include "platform/FramePacer.h"
#include "platform/posix/QtAccessible.h"

#include <QCloseEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cmath>

namespace platform {

std::unique_ptr<TWindowHost> CreateWindowHost(TWindowEvents& events) {
  return std::make_unique<posix::TQtWindowHost>(events);
}

namespace posix {

namespace {

int DpiOf(const QWidget& widget) {
  return DpiOfRatio(widget.devicePixelRatioF());
}

// The layout pixel that holds the position; between whole scales the toolkit gives a device
// pixel's position in fractions of a pixel, which rounding would move into the next pixel.
TPoint PositionOf(const QMouseEvent& event) {
  const QPointF point = event.position();
  return {static_cast<int>(std::floor(point.x())), static_cast<int>(std::floor(point.y()))};
}

bool ButtonOf(Qt::MouseButton qtButton, TMouseButton& button) {
  switch (qtButton) {
  case Qt::LeftButton:
    button = TMouseButton::Left;
    return true;
  case Qt::RightButton:
    button = TMouseButton::Right;
    return true;
  case Qt::MiddleButton:
    button = TMouseButton::Middle;
    return true;
  default:
    return false;
  }
}

// The widget whose events are the form's. The toolkit keeps the mouse with it while a button
// is held (its implicit grab), so the capture needs nothing more.
class HostWidget final : public QWidget {
public:
  explicit HostWidget(TWindowEvents& events) : m_events(events) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    // Every pixel comes from the picture: no background to fill first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    m_frameTimer.setSingleShot(true);
    m_frameTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_frameTimer, &QTimer::timeout, this, [this] { RequestPending(); });
  }

  // Asks for a paint of the part, at most once a frame.
  void Invalidate(const TRect& rect) {
    const auto now = TFramePacer::Clock::now();
    if (m_pacer.Invalidate(rect, now))
      RequestPending();
    else if (m_pacer.Waiting() && !m_frameTimer.isActive())
      m_frameTimer.start(m_pacer.Delay(now));
  }

protected:
  bool event(QEvent* event) override {
    // Tab and Shift+Tab belong to the form's own tab order, not to the toolkit's.
    if (event->type() == QEvent::KeyPress) {
      keyPressEvent(static_cast<QKeyEvent*>(event));
      return true;
    }
    if (event->type() == QEvent::ShortcutOverride) {
      event->accept();
      return true;
    }
    // The system colours are the application's palette: a new one repaints the whole form.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange)
      m_events.HostSystemColorsChanged();
    return QWidget::event(event);
  }

  void paintEvent(QPaintEvent* event) override {
    m_pacer.Painted(TFramePacer::Clock::now());
    if (DpiOf(*this) != m_dpi)
      Resized();
    const TBitmap& bitmap = m_events.HostPaint();
    if (bitmap.IsEmpty())
      return;
    // The picture is in device pixels already: the painter's own scaling is undone so that
    // each lands on one pixel of the window, neither smoothed nor stretched. The toolkit's
    // device size of the widget (its logical size times the ratio, rounded) is the picture's.
    QImage image(reinterpret_cast<const uchar*>(bitmap.Bits()), bitmap.Width(), bitmap.Height(),
                 bitmap.Stride(), QImage::Format_RGB32);
    const QRect area = event->rect();
    const TRect device =
        DeviceRect({area.left(), area.top(), area.right() + 1, area.bottom() + 1}, m_dpi)
            .Inflated(1, 1)
            .Intersected(bitmap.Bounds());
    if (device.IsEmpty())
      return;
    QPainter painter(this);
    const qreal ratio = devicePixelRatioF();
    if (ratio == 1.0) {
      painter.drawImage(QPoint(device.Left, device.Top), image,
                        QRect(device.Left, device.Top, device.Width(), device.Height()));
      return;
    }
    image.setDevicePixelRatio(ratio);
    painter.drawImage(QRectF(device.Left / ratio, device.Top / ratio, device.Width() / ratio,
                             device.Height() / ratio),
                      image, QRectF(device.Left, device.Top, device.Width(), device.Height()));
  }

  void resizeEvent(QResizeEvent*) override { Resized(); }

  void mouseMoveEvent(QMouseEvent* event) override {
    m_events.HostMouseMove(PositionOf(*event), ShiftFromQtModifiers(event->modifiers()));
  }
  void mousePressEvent(QMouseEvent* event) override {
    TMouseButton button;
    if (ButtonOf(event->button(), button))
      m_events.HostMouseDown(button, PositionOf(*event), ShiftFromQtModifiers(event->modifiers()));
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    TMouseButton button;
    if (ButtonOf(event->button(), button))
      m_events.HostMouseUp(button, PositionOf(*event), ShiftFromQtModifiers(event->modifiers()));
  }
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    // A second press, as on a window that takes no double clicks.
    mousePressEvent(event);
  }
  void leaveEvent(QEvent*) override { m_events.HostMouseLeave(); }

  void keyPressEvent(QKeyEvent* event) override {
    const QString text = event->text();
    const bool printable = !text.isEmpty() && text.at(0) >= QLatin1Char(' ');
    m_events.HostKeyDown(KeyFromQtKey(event->key()), ShiftFromQtModifiers(event->modifiers()),
                         printable ? text.toStdString() : std::string(),
                         CodePointFromQtKey(event->key(), printable ? text : QString()));
  }
  void keyReleaseEvent(QKeyEvent* event) override {
    m_events.HostKeyUp(KeyFromQtKey(event->key()), ShiftFromQtModifiers(event->modifiers()));
  }

  void focusInEvent(QFocusEvent*) override { m_events.HostActivate(true); }
  void focusOutEvent(QFocusEvent*) override { m_events.HostActivate(false); }

  void closeEvent(QCloseEvent* event) override {
    // The form decides, and hides the window when it closes.
    event->ignore();
    m_events.HostCloseRequest();
  }

  void moveEvent(QMoveEvent* event) override {
    // The window manager tells the frame only once the window is up: centred again with it.
    const QWindow* handle = windowHandle();
    if (m_centring && !m_centredWithFrame && isVisible() && handle &&
        !handle->frameMargins().isNull())
      CentreOnScreen();
    QWidget::moveEvent(event);
  }

public:
  void CentreOnScreen() {
    m_centring = true;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
      return;
    const QWindow* handle = windowHandle();
    const QMargins frame = handle ? handle->frameMargins() : QMargins();
    m_centredWithFrame = !frame.isNull();
    const QRect area = screen->geometry();
    const TPoint corner = CentredWindowPosition(
        {area.left(), area.top(), area.left() + area.width(), area.top() + area.height()},
        {width(), height()}, {frame.left(), frame.top(), frame.right(), frame.bottom()});
    move(corner.X, corner.Y);
  }

private:
  void RequestPending() {
    const TRect pending = m_pacer.TakePending();
    update(pending.Left, pending.Top, pending.Width(), pending.Height());
  }

  void Resized() {
    m_dpi = DpiOf(*this);
    m_events.HostResize({width(), height()}, m_dpi);
  }

  TWindowEvents& m_events;
  int m_dpi = 0;
  bool m_centring = false;
  bool m_centredWithFrame = false;
  TFramePacer m_pacer;
  QTimer m_frameTimer;
};

} // namespace

TKey KeyFromQtKey(int key) {
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
    return static_cast<TKey>(key);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
    return static_cast<TKey>(static_cast<int>(TKey::F1) + (key - Qt::Key_F1));
  switch (key) {
  case Qt::Key_Backspace:
    return TKey::Backspace;
  case Qt::Key_Tab:
  case Qt::Key_Backtab:
    return TKey::Tab;
  case Qt::Key_Return:
  case Qt::Key_Enter:
    return TKey::Enter;
  case Qt::Key_Escape:
    return TKey::Escape;
  case Qt::Key_Space:
    return TKey::Space;
  case Qt::Key_PageUp:
    return TKey::PageUp;
  case Qt::Key_PageDown:
    return TKey::PageDown;
  case Qt::Key_End:
    return TKey::End;
  case Qt::Key_Home:
    return TKey::Home;
  case Qt::Key_Left:
    return TKey::Left;
  case Qt::Key_Up:
    return TKey::Up;
  case Qt::Key_Right:
    return TKey::Right;
  case Qt::Key_Down:
    return TKey::Down;
  case Qt::Key_Insert:
    return TKey::Insert;
  case Qt::Key_Delete:
    return TKey::Delete;
  default:
    return TKey::None;
  }
}

char32_t CodePointFromQtKey(int key, const QString& text) {
  // The toolkit's codes of keys that stand for a character are that character's upper-case
  // code point, also while Alt or Ctrl is held; its other keys' codes are far above them.
  if (key > ' ' && key < Qt::Key_Escape)
    return static_cast<char32_t>(key);
  const QList<uint> points = text.toUcs4();
  return !points.isEmpty() && points.front() > ' ' ? points.front() : 0;
}

unsigned ShiftFromQtModifiers(Qt::KeyboardModifiers modifiers) {
  unsigned shift = 0;
  if (modifiers & Qt::ShiftModifier)
    shift |= ssShift;
  if (modifiers & Qt::ControlModifier)
    shift |= ssCtrl;
  if (modifiers & Qt::AltModifier)
    shift |= ssAlt;
  return shift;
}

TQtWindowHost::TQtWindowHost(TWindowEvents& events)
    : m_widget(std::make_unique<HostWidget>(events)),
      m_accessible(std::make_unique<TQtAccessible>(*m_widget, events)) {
  // A form's window keeps its size: a title, the system menu and a close box, no more.
  m_widget->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
}

TQtWindowHost::~TQtWindowHost() = default;

void TQtWindowHost::Show() {
  m_widget->show();
}

void TQtWindowHost::Hide() {
  m_widget->hide();
}

bool TQtWindowHost::Visible() const {
  return m_widget->isVisible();
}

void TQtWindowHost::SetTitle(const std::string& title) {
  m_widget->setWindowTitle(QString::fromStdString(title));
}

void TQtWindowHost::SetClientSize(TSize size) {
  m_widget->setFixedSize(size.Width, size.Height);
}

void TQtWindowHost::SetPosition(TPoint position) {
  m_widget->move(position.X, position.Y);
}

int TQtWindowHost::Dpi() const {
  return DpiOf(*m_widget);
}

void TQtWindowHost::Invalidate(const TRect& rect) {
  static_cast<HostWidget&>(*m_widget).Invalidate(rect);
}

void TQtWindowHost::SetCursor(TCursor cursor) {
  m_widget->setCursor(cursor == TCursor::HandPoint ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void TQtWindowHost::SetCapture(bool) {}

void TQtWindowHost::SetIcon(const std::vector<TBitmap>& sizes) {
  QIcon icon;
  for (const TBitmap& each : sizes) {
    const QImage image(reinterpret_cast<const uchar*>(each.Bits()), each.Width(), each.Height(),
                       each.Stride(), QImage::Format_ARGB32_Premultiplied);
    icon.addPixmap(QPixmap::fromImage(image.copy()));
  }
  m_widget->setWindowIcon(icon);
}

void TQtWindowHost::CentreOnScreen() {
  static_cast<HostWidget&>(*m_widget).CentreOnScreen();
}

void TQtWindowHost::AccessibleChanged(int id, TAccessibleChange change) {
  m_accessible->Changed(id, change);
}

} // namespace posix

} // namespace platform
