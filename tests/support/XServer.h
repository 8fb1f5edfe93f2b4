#pragma once
// A real X server for a test: Xvfb on a free display with one screen, no window manager. Beside it the few
// questions a test asks the server itself: the windows on it, whether another client holds the
// keyboard or the pointer, and typing through the server (xdotool, the XTEST extension), so
// keys go where the server sends them, grabs included.
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QSize>
#include <QString>
#include <optional>

struct xcb_connection_t;

struct TXWindow {
  uint32_t iId = 0;
  QRect rGeometry;
  bool bOverrideRedirect = false;  // bypasses the window manager
  bool bViewable = false;
};

class TXServer {
public:
  explicit TXServer(const QSize &screen = QSize(1280, 800));
  ~TXServer();
  TXServer(const TXServer &) = delete;
  TXServer &operator=(const TXServer &) = delete;

  bool Running() const { return FConnection != nullptr; }
  QString Display() const { return FDisplay; }
  // The environment of a Qt program shown on this server.
  QProcessEnvironment Environment() const;
  QRect RootGeometry() const;
  // What the screen shows in the area, as the server has it (null when it cannot be read).
  QImage Grab(const QRect &area) const;

  // The top-level window whose title (_NET_WM_NAME or WM_NAME) is `title`.
  std::optional<TXWindow> FindWindow(const QString &title) const;
  // Whether another client holds the keyboard (the pointer): a grab of ours is refused.
  bool KeyboardHeldByOther() const;
  bool PointerHeldByOther() const;
  // A plain window of this test's own client, shown and given the input focus, and the number
  // of key presses it has received since.
  uint32_t OpenFocusedWindow(const QRect &geometry);
  int KeyPressesReceived();

  // What another client may do to a window: unmap it, or put it inside a tiny window of its own.
  void Unmap(uint32_t window);
  void HideInsideTinyWindow(uint32_t window);

  // Types text, then presses keys by name ("Return"), through the server.
  bool Type(const QString &text) const;
  bool Key(const QString &name) const;

private:
  bool TryGrab(bool keyboard) const;

  QProcess FXvfb;
  QString FDisplay;
  xcb_connection_t *FConnection = nullptr;
  int FKeyPresses = 0;
};
