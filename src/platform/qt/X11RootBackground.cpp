#include "platform/qt/X11RootBackground.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace zelvo {

namespace {

/// A connection of its own, so that its resources can be retained when it
/// closes without retaining Qt's.
struct TConnection {
    TConnection() {
        c = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(c)) return;
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
        for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
        screen = it.rem ? it.data : nullptr;
    }
    ~TConnection() { xcb_disconnect(c); }
    bool Ok() const { return screen != nullptr; }

    xcb_atom_t Atom(const char* name) const {
        auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return atom;
    }
    xcb_pixmap_t PixmapProperty(const char* name) const {
        auto* reply = xcb_get_property_reply(
            c, xcb_get_property(c, 0, screen->root, Atom(name), XCB_ATOM_PIXMAP, 0, 1), nullptr);
        xcb_pixmap_t pixmap = XCB_NONE;
        if (reply && reply->type == XCB_ATOM_PIXMAP && reply->format == 32 && xcb_get_property_value_length(reply) == 4)
            std::memcpy(&pixmap, xcb_get_property_value(reply), 4);
        std::free(reply);
        return pixmap;
    }
    /// Frees the pixmap an earlier change retained: its owner is a
    /// connection kept only for it (both properties name it then).
    void FreeOldPixmap() const {
        const xcb_pixmap_t old = PixmapProperty("ESETROOT_PMAP_ID");
        if (old != XCB_NONE && old == PixmapProperty("_XROOTPMAP_ID"))
            std::free(xcb_request_check(c, xcb_kill_client_checked(c, old)));
    }

    xcb_connection_t* c = nullptr;
    int screenNumber = 0;
    xcb_screen_t* screen = nullptr;
};

int BitsPerPixel(const xcb_setup_t* setup, std::uint8_t depth) {
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == depth) return it.data->bits_per_pixel;
    return 0;
}

}  // namespace

bool SetRootBackground(const TDibImage& picture, bool tile) {
    TConnection x;
    if (!x.Ok() || picture.Width() <= 0 || picture.Height() <= 0) return false;
    const xcb_setup_t* setup = xcb_get_setup(x.c);
    if (x.screen->root_depth != 24 || BitsPerPixel(setup, 24) != 32 ||
        setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return false;

    const int pw = tile ? picture.Width() : x.screen->width_in_pixels;
    const int ph = tile ? picture.Height() : x.screen->height_in_pixels;
    // Where the picture's top-left lands; negative when it is larger.
    const int ox = tile ? 0 : (pw - picture.Width()) / 2;
    const int oy = tile ? 0 : (ph - picture.Height()) / 2;
    std::vector<std::uint32_t> pixels(std::size_t(pw) * std::size_t(ph), 0);  // black
    for (int y = std::max(0, oy); y < std::min(ph, oy + picture.Height()); ++y)
        for (int x0 = std::max(0, ox); x0 < std::min(pw, ox + picture.Width()); ++x0) {
            const TColor c = picture.GetPixels(x0 - ox, y - oy);  // 0x00BBGGRR
            pixels[std::size_t(y) * std::size_t(pw) + std::size_t(x0)] =
                ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
        }

    x.FreeOldPixmap();
    const xcb_pixmap_t pixmap = xcb_generate_id(x.c);
    xcb_create_pixmap(x.c, 24, pixmap, x.screen->root, std::uint16_t(pw), std::uint16_t(ph));
    const xcb_gcontext_t gc = xcb_generate_id(x.c);
    xcb_create_gc(x.c, gc, pixmap, 0, nullptr);
    // Strips that fit one request.
    const std::size_t maxBytes = std::size_t(xcb_get_maximum_request_length(x.c)) * 4 - 64;
    const int rowsPerStrip = std::max(1, int(maxBytes / (std::size_t(pw) * 4)));
    for (int y = 0; y < ph; y += rowsPerStrip) {
        const int rows = std::min(rowsPerStrip, ph - y);
        xcb_put_image(x.c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, std::uint16_t(pw), std::uint16_t(rows), 0,
                      std::int16_t(y), 0, 24, std::uint32_t(std::size_t(pw) * std::size_t(rows) * 4),
                      reinterpret_cast<const std::uint8_t*>(pixels.data() + std::size_t(y) * std::size_t(pw)));
    }
    xcb_free_gc(x.c, gc);
    for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"})
        xcb_change_property(x.c, XCB_PROP_MODE_REPLACE, x.screen->root, x.Atom(name), XCB_ATOM_PIXMAP, 32, 1, &pixmap);
    xcb_change_window_attributes(x.c, x.screen->root, XCB_CW_BACK_PIXMAP, &pixmap);
    xcb_clear_area(x.c, 0, x.screen->root, 0, 0, 0, 0);
    xcb_set_close_down_mode(x.c, XCB_CLOSE_DOWN_RETAIN_PERMANENT);
    std::free(xcb_get_input_focus_reply(x.c, xcb_get_input_focus(x.c), nullptr));  // round trip: all done
    return true;
}

bool ClearRootBackground() {
    TConnection x;
    if (!x.Ok()) return false;
    x.FreeOldPixmap();
    for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) xcb_delete_property(x.c, x.screen->root, x.Atom(name));
    const std::uint32_t black = x.screen->black_pixel;
    xcb_change_window_attributes(x.c, x.screen->root, XCB_CW_BACK_PIXEL, &black);
    xcb_clear_area(x.c, 0, x.screen->root, 0, 0, 0, 0);
    std::free(xcb_get_input_focus_reply(x.c, xcb_get_input_focus(x.c), nullptr));
    return true;
}

}  // namespace zelvo
