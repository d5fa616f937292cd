#include "console/glut/fixed_size.h"

#include <GL/glx.h>
#include <X11/Xutil.h>

namespace console::glut {

void ask_for_fixed_window_size(int width, int height) {
  // freeglut gives no handle to its X11 window, but with the window's
  // context current GLX names both the display and the window.
  Display* display = glXGetCurrentDisplay();
  const GLXDrawable window = glXGetCurrentDrawable();
  if (display == nullptr || window == 0) return;
  XSizeHints* hints = XAllocSizeHints();
  if (hints == nullptr) return;
  long supplied = 0;
  XGetWMNormalHints(display, window, hints, &supplied);  // keeps freeglut's own hints
  hints->flags |= PMinSize | PMaxSize;
  hints->min_width = hints->max_width = width;
  hints->min_height = hints->max_height = height;
  XSetWMNormalHints(display, window, hints);
  XFree(hints);
  XFlush(display);
}

}  // namespace console::glut
