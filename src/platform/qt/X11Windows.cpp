#include "platform/qt/X11Windows.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace zelvo {

namespace {

template <class T>
using TReply = std::unique_ptr<T, decltype(&std::free)>;

template <class T>
TReply<T> Own(T* reply) {
    return TReply<T>(reply, &std::free);
}

/// The 32-bit values of a property, or nothing.
std::vector<std::uint32_t> Cardinals(TXWindow window, const char* name, std::uint32_t type, std::uint32_t count) {
    xcb_connection_t* c = X11Connection();
    if (!c || !window) return {};
    auto reply = Own(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, X11Atom(name), type, 0, count), nullptr));
    if (!reply || reply->format != 32 || reply->type != type) return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    const int n = xcb_get_property_value_length(reply.get()) / 4;
    return std::vector<std::uint32_t>(values, values + n);
}

}  // namespace

xcb_connection_t* X11Connection() {
    if (!qGuiApp) return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

TXWindow X11Root() {
    xcb_connection_t* c = X11Connection();
    if (!c) return 0;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    return screen ? screen->root : 0;
}

QRect X11DesktopRect() {
    xcb_connection_t* c = X11Connection();
    if (!c) return {};
    auto geometry = Own(xcb_get_geometry_reply(c, xcb_get_geometry(c, X11Root()), nullptr));
    return geometry ? QRect(0, 0, geometry->width, geometry->height) : QRect();
}

std::uint32_t X11Atom(const char* name) {
    xcb_connection_t* c = X11Connection();
    if (!c) return 0;
    auto reply = Own(xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : 0;
}

TXWindow X11ActiveWindow() {
    const auto values = Cardinals(X11Root(), "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW, 1);
    return values.empty() ? 0 : values[0];
}

std::vector<TXWindow> X11StackingTopDown() {
    std::vector<TXWindow> windows = Cardinals(X11Root(), "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW, 4096);
    if (windows.empty()) {
        xcb_connection_t* c = X11Connection();
        if (!c) return {};
        auto tree = Own(xcb_query_tree_reply(c, xcb_query_tree(c, X11Root()), nullptr));
        if (!tree) return {};
        const TXWindow* children = xcb_query_tree_children(tree.get());
        windows.assign(children, children + xcb_query_tree_children_length(tree.get()));
    }
    // Both lists run from the bottom of the stack to the top.
    return {windows.rbegin(), windows.rend()};
}

bool X11WindowShown(TXWindow window) {
    xcb_connection_t* c = X11Connection();
    if (!c || !window) return false;
    auto attributes = Own(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE) return false;
    const std::uint32_t hidden = X11Atom("_NET_WM_STATE_HIDDEN");
    for (std::uint32_t state : Cardinals(window, "_NET_WM_STATE", XCB_ATOM_ATOM, 64))
        if (state == hidden) return false;
    return true;
}

std::optional<QRect> X11ClientRect(TXWindow window) {
    xcb_connection_t* c = X11Connection();
    if (!c || !window) return std::nullopt;
    auto geometry = Own(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    if (!geometry) return std::nullopt;
    auto origin = Own(xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, window, X11Root(), 0, 0), nullptr));
    if (!origin) return std::nullopt;
    return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
}

std::optional<QRect> X11WindowRect(TXWindow window) {
    const std::optional<QRect> client = X11ClientRect(window);
    if (!client) return std::nullopt;
    const auto extents = Cardinals(window, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL, 4);
    if (extents.size() == 4)  // left, right, top, bottom
        return client->adjusted(-int(extents[0]), -int(extents[2]), int(extents[1]), int(extents[3]));
    // No extents: the top-level ancestor (the frame, when there is one).
    xcb_connection_t* c = X11Connection();
    TXWindow top = window;
    for (;;) {
        auto tree = Own(xcb_query_tree_reply(c, xcb_query_tree(c, top), nullptr));
        if (!tree || tree->parent == tree->root || tree->parent == 0) break;
        top = tree->parent;
    }
    auto geometry = Own(xcb_get_geometry_reply(c, xcb_get_geometry(c, top), nullptr));
    if (!geometry) return client;
    const int border = geometry->border_width;
    const QRect inside = top == window ? *client : QRect(geometry->x + border, geometry->y + border, geometry->width, geometry->height);
    return inside.adjusted(-border, -border, border, border);
}

void X11RequestActivate(TXWindow window) {
    xcb_connection_t* c = X11Connection();
    if (!c || !window) return;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = X11Atom("_NET_ACTIVE_WINDOW");
    event.data.data32[0] = 2;  // from a pager: the user asked for it
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, X11Root(), XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(c);
}

bool WaylandSession() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland")) ||
           qgetenv("XDG_SESSION_TYPE") == "wayland" || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

bool ScreenReadable(QString* why) {
    if (WaylandSession()) {
        if (why) *why = QCoreApplication::translate("messages", "Wayland のデスクトップでは他のウィンドウの画面を読み取れないため、キャプチャは使えません");
        return false;
    }
    if (!X11Connection()) {
        if (why) *why = QCoreApplication::translate("messages", "キャプチャは X11 のデスクトップでのみ使えます");
        return false;
    }
    return true;
}

}  // namespace zelvo
