// The text screen's picture in the window: one OpenGL 1.1 texture that
// holds the 640 x 400 frame, drawn as a quad in an orthographic view. A new
// frame redraws only the cells that look different from the last one, and
// where GLX_MESA_copy_sub_buffer allows, only their rows are drawn and
// copied into the window, so that the back buffer, never swapped, keeps
// the whole picture. Elsewhere, and in a window that a window manager made
// larger, the whole frame is drawn and swapped.
#pragma once

#include <GL/glew.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "console/glut/frame.h"

namespace console::glut {

class GlPicture {
 public:
  // With the window's OpenGL context current and GLEW set up: the view and
  // the texture.
  void set_up();
  // Shows `now` in the window.
  void show(const FrameInputs& now);
  // Shows the picture again, whole (the window was exposed); the first
  // frame where there is none yet.
  void show_again(const FrameInputs& now);
  // What the window shows; nothing before the first frame.
  const std::optional<FrameInputs>& shown() const { return shown_; }
  // The page keeps its 8 x 16 pixel cells in the window's top left corner,
  // should a window manager make the window larger after all.
  void fit(int window_width, int window_height);

 private:
  // Puts the pixels of `rows` into the texture.
  void upload(const RedrawnRows& rows);
  // Draws the picture's rows `rows` (all of the window when nothing) and
  // brings them into the window.
  void present(std::optional<RedrawnRows> rows);

  GLuint texture_ = 0;
  std::vector<uint8_t> pixels_;
  std::optional<FrameInputs> shown_;
  bool copy_sub_buffer_ = false;
  // The back buffer holds the whole picture as the window shows it.
  bool back_buffer_whole_ = false;
  int window_width_ = kFrameWidth;
  int window_height_ = kFrameHeight;
};

}  // namespace console::glut
