// Putting a back buffer on the screen: through a shared memory segment when
// the server offers one, else through the connection.
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

// Xlib last: it defines macros.
#include "platform/window/x11/x11_display.h"

namespace plat::detail {
namespace {

// A pixel of the screen's visual, for visuals that differ from 0x00RRGGBB.
unsigned long ToVisual(Pixel p, const Visual* v) {
  const auto place = [](unsigned value, unsigned long mask) -> unsigned long {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    const unsigned long max = mask >> shift;
    return ((value * max + 127) / 255) << shift;
  };
  return place((p >> 16) & 0xFF, v->red_mask) | place((p >> 8) & 0xFF, v->green_mask) |
         place(p & 0xFF, v->blue_mask);
}

}  // namespace

X11Image::X11Image(X11Display& x, ::Window window)
    : x_(x), window_(window), gc_(XCreateGC(x.display, window, 0, nullptr)) {}

X11Image::~X11Image() {
  DropShared();
  XFreeGC(x_.display, gc_);
}

bool X11Image::MakeShared(int width, int height) {
  DropShared();
  shared_ =
      XShmCreateImage(x_.display, x_.visual, static_cast<unsigned>(x_.depth), ZPixmap, nullptr,
                      &segment_, static_cast<unsigned>(width), static_cast<unsigned>(height));
  if (!shared_) return false;
  segment_.shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(shared_->bytes_per_line) * height,
                          IPC_CREAT | 0600);
  if (segment_.shmid < 0) {
    DropShared();
    return false;
  }
  segment_.shmaddr = shared_->data = static_cast<char*>(shmat(segment_.shmid, nullptr, 0));
  segment_.readOnly = False;
  bool attached = false;
  if (segment_.shmaddr != reinterpret_cast<char*>(-1)) {
    X11Display::ClearError();
    XShmAttach(x_.display, &segment_);
    XSync(x_.display, False);
    attached = X11Display::TakeError() == 0;  // a remote server cannot attach
  } else {
    segment_.shmaddr = shared_->data = nullptr;
  }
  shmctl(segment_.shmid, IPC_RMID, nullptr);  // goes away once both sides let go
  if (!attached) {
    if (segment_.shmaddr) shmdt(segment_.shmaddr);
    segment_.shmaddr = nullptr;
    DropShared();
    return false;
  }
  return true;
}

void X11Image::DropShared() {
  if (!shared_) return;
  if (segment_.shmaddr) {
    XShmDetach(x_.display, &segment_);
    XSync(x_.display, False);
    shmdt(segment_.shmaddr);
  }
  shared_->data = nullptr;
  XDestroyImage(shared_);
  shared_ = nullptr;
  segment_ = {};
}

void X11Image::Put(const Bitmap& frame, const Rect& area) {
  const Rect r = area.Intersect({0, 0, frame.width(), frame.height()});
  if (r.IsEmpty()) return;
  const unsigned w = static_cast<unsigned>(r.Width());
  const unsigned h = static_cast<unsigned>(r.Height());
  Display* d = x_.display;

  if (x_.rgb32 && x_.canShareMemory && !sharedFailed_) {
    if (!shared_ || shared_->width != frame.width() || shared_->height != frame.height()) {
      sharedFailed_ = !MakeShared(frame.width(), frame.height());
    }
    if (shared_) {
      for (int y = r.top; y < r.bottom; ++y) {
        std::memcpy(
            shared_->data + static_cast<std::size_t>(y) * shared_->bytes_per_line + r.left * 4,
            frame.Row(y) + r.left, static_cast<std::size_t>(w) * 4);
      }
      XShmPutImage(d, window_, gc_, shared_, r.left, r.top, r.left, r.top, w, h, False);
      XSync(d, False);  // the server has read the segment before it is written again
      return;
    }
  }

  if (x_.rgb32) {
    // The frame goes as it is; the image only borrows its pixels.
    XImage* image = XCreateImage(d, x_.visual, static_cast<unsigned>(x_.depth), ZPixmap, 0,
                                 const_cast<char*>(reinterpret_cast<const char*>(frame.data())),
                                 static_cast<unsigned>(frame.width()),
                                 static_cast<unsigned>(frame.height()), 32, frame.width() * 4);
    if (!image) return;
    XPutImage(d, window_, gc_, image, r.left, r.top, r.left, r.top, w, h);
    image->data = nullptr;
    XDestroyImage(image);
  } else {
    XImage* image = XCreateImage(d, x_.visual, static_cast<unsigned>(x_.depth), ZPixmap, 0, nullptr,
                                 w, h, 32, 0);
    if (!image) return;
    image->data =
        static_cast<char*>(std::malloc(static_cast<std::size_t>(image->bytes_per_line) * h));
    if (!image->data) {
      XDestroyImage(image);
      return;
    }
    for (unsigned y = 0; y < h; ++y) {
      for (unsigned x = 0; x < w; ++x) {
        XPutPixel(image, static_cast<int>(x), static_cast<int>(y),
                  ToVisual(frame.At(r.left + static_cast<int>(x), r.top + static_cast<int>(y)),
                           x_.visual));
      }
    }
    XPutImage(d, window_, gc_, image, 0, 0, r.left, r.top, w, h);
    XDestroyImage(image);  // frees the pixels too
  }
  XFlush(d);
}

}  // namespace plat::detail
