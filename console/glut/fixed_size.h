// Keeps the program's window at the size of the text page: window managers
// are asked not to resize it.
#pragma once

namespace console::glut {

// Window thread, with the window's OpenGL context current: tells the window
// manager that the window's smallest and largest size are width x height.
// Does nothing where the context is not an X11 (GLX) one.
void ask_for_fixed_window_size(int width, int height);

}  // namespace console::glut
