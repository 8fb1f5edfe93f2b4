#include "tests/support/XServer.h"

#include <QStringList>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace {

template <class T> using TReply = std::unique_ptr<T, decltype(&std::free)>;
template <class T> TReply<T> Reply(T *reply) { return TReply<T>(reply, &std::free); }

xcb_atom_t Atom(xcb_connection_t *c, const char *name) {
  auto reply = Reply(xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr));
  return reply ? reply->atom : XCB_ATOM_NONE;
}

QString TextProperty(xcb_connection_t *c, xcb_window_t window, xcb_atom_t property) {
  auto reply = Reply(
      xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr));
  if (!reply || xcb_get_property_value_length(reply.get()) <= 0)
    return {};
  return QString::fromUtf8(static_cast<const char *>(xcb_get_property_value(reply.get())),
                           xcb_get_property_value_length(reply.get()));
}

xcb_window_t Root(xcb_connection_t *c) { return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root; }

}  // namespace

TXServer::TXServer(const QSize &screen) {
  const QStringList args{QStringLiteral("-displayfd"),
                         QStringLiteral("1"),
                         QStringLiteral("-nolisten"),
                         QStringLiteral("tcp"),
                         QStringLiteral("-screen"),
                         QStringLiteral("0"),
                         QStringLiteral("%1x%2x24").arg(screen.width()).arg(screen.height())};
  FXvfb.setProcessChannelMode(QProcess::SeparateChannels);
  FXvfb.start(QStringLiteral("Xvfb"), args);
  // Xvfb writes the display's number once it accepts clients.
  if (!FXvfb.waitForStarted(10000) || !FXvfb.waitForReadyRead(20000))
    return;
  FDisplay = QStringLiteral(":") + QString::fromLatin1(FXvfb.readLine()).trimmed();
  FConnection = xcb_connect(FDisplay.toLatin1().constData(), nullptr);
  if (xcb_connection_has_error(FConnection)) {
    xcb_disconnect(FConnection);
    FConnection = nullptr;
  }
}

TXServer::~TXServer() {
  if (FConnection)
    xcb_disconnect(FConnection);
  FXvfb.terminate();
  if (!FXvfb.waitForFinished(5000))
    FXvfb.kill();
  FXvfb.waitForFinished(5000);
}

QProcessEnvironment TXServer::Environment() const {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("DISPLAY"), FDisplay);
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  env.remove(QStringLiteral("WAYLAND_DISPLAY"));
  return env;
}

QImage TXServer::Grab(const QRect &area) const {
  // The screen is 24 bits deep, which the server hands out as 32-bit pixels (blue, green, red,
  // unused): Qt's RGB32 on this little-endian machine.
  auto reply = Reply(
      xcb_get_image_reply(FConnection,
                          xcb_get_image(FConnection, XCB_IMAGE_FORMAT_Z_PIXMAP, Root(FConnection), int16_t(area.x()),
                                        int16_t(area.y()), uint16_t(area.width()), uint16_t(area.height()), ~0u),
                          nullptr));
  if (!reply || xcb_get_image_data_length(reply.get()) < area.width() * area.height() * 4)
    return {};
  return QImage(xcb_get_image_data(reply.get()), area.width(), area.height(), area.width() * 4, QImage::Format_RGB32)
      .copy();
}

QRect TXServer::RootGeometry() const {
  const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(FConnection)).data;
  return QRect(0, 0, screen->width_in_pixels, screen->height_in_pixels);
}

std::optional<TXWindow> TXServer::FindWindow(const QString &title) const {
  xcb_connection_t *c = FConnection;
  const xcb_atom_t netName = Atom(c, "_NET_WM_NAME");
  auto tree = Reply(xcb_query_tree_reply(c, xcb_query_tree(c, Root(c)), nullptr));
  if (!tree)
    return std::nullopt;
  const xcb_window_t *children = xcb_query_tree_children(tree.get());
  for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
    const xcb_window_t window = children[i];
    if (TextProperty(c, window, netName) != title && TextProperty(c, window, XCB_ATOM_WM_NAME) != title)
      continue;
    auto geometry = Reply(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    auto attributes = Reply(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    if (!geometry || !attributes)
      continue;
    TXWindow found;
    found.iId = window;
    found.rGeometry = QRect(geometry->x, geometry->y, geometry->width, geometry->height);
    found.bOverrideRedirect = attributes->override_redirect;
    found.bViewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    if (found.bViewable)
      return found;
  }
  return std::nullopt;
}

bool TXServer::TryGrab(bool keyboard) const {
  xcb_connection_t *c = FConnection;
  uint8_t status;
  if (keyboard) {
    auto reply = Reply(xcb_grab_keyboard_reply(
        c, xcb_grab_keyboard(c, 0, Root(c), XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC), nullptr));
    status = reply ? reply->status : XCB_GRAB_STATUS_NOT_VIEWABLE;
    if (status == XCB_GRAB_STATUS_SUCCESS)
      xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
  } else {
    auto reply =
        Reply(xcb_grab_pointer_reply(c,
                                     xcb_grab_pointer(c, 0, Root(c), 0, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC,
                                                      XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
                                     nullptr));
    status = reply ? reply->status : XCB_GRAB_STATUS_NOT_VIEWABLE;
    if (status == XCB_GRAB_STATUS_SUCCESS)
      xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
  }
  xcb_flush(c);
  return status == XCB_GRAB_STATUS_ALREADY_GRABBED;
}

bool TXServer::KeyboardHeldByOther() const { return TryGrab(true); }
bool TXServer::PointerHeldByOther() const { return TryGrab(false); }

uint32_t TXServer::OpenFocusedWindow(const QRect &geometry) {
  xcb_connection_t *c = FConnection;
  const xcb_window_t window = xcb_generate_id(c);
  const uint32_t values[] = {XCB_EVENT_MASK_KEY_PRESS};
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window, Root(c), int16_t(geometry.x()), int16_t(geometry.y()),
                    uint16_t(geometry.width()), uint16_t(geometry.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, values);
  xcb_map_window(c, window);
  xcb_set_input_focus(c, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
  xcb_flush(c);
  FKeyPresses = 0;
  return window;
}

int TXServer::KeyPressesReceived() {
  while (xcb_generic_event_t *event = xcb_poll_for_event(FConnection)) {
    if ((event->response_type & 0x7f) == XCB_KEY_PRESS)
      ++FKeyPresses;
    std::free(event);
  }
  return FKeyPresses;
}

void TXServer::Unmap(uint32_t window) {
  xcb_unmap_window(FConnection, window);
  xcb_flush(FConnection);
}

void TXServer::HideInsideTinyWindow(uint32_t window) {
  xcb_connection_t *c = FConnection;
  const xcb_window_t tiny = xcb_generate_id(c);
  const uint32_t values[] = {1};
  xcb_create_window(c, XCB_COPY_FROM_PARENT, tiny, Root(c), 0, 0, 2, 2, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT, values);
  xcb_map_window(c, tiny);
  xcb_reparent_window(c, window, tiny, 0, 0);
  xcb_flush(c);
}

bool TXServer::Type(const QString &text) const {
  QProcess xdotool;
  xdotool.setProcessEnvironment(Environment());
  xdotool.start(QStringLiteral("xdotool"),
                {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text});
  return xdotool.waitForFinished(20000) && xdotool.exitCode() == 0;
}

bool TXServer::Key(const QString &name) const {
  QProcess xdotool;
  xdotool.setProcessEnvironment(Environment());
  xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("key"), name});
  return xdotool.waitForFinished(20000) && xdotool.exitCode() == 0;
}
