// The text screen's picture in the window: one OpenGL 1.1 texture that
// holds the 640 x 400 frame, drawn as a quad in an orthographic view. Each
// frame redraws only the cells that look different from the last one.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "console/glut/frame.h"

namespace console::glut {

class GlPicture {
 public:
  // With the window's OpenGL context current: the view and the texture.
  void set_up();
  // Draws `now` into the window's back buffer and swaps it in.
  void show(const FrameInputs& now);
  // What the window shows; nothing before the first frame.
  const std::optional<FrameInputs>& shown() const { return shown_; }
  // The page keeps its 8 x 16 pixel cells in the window's top left corner,
  // should a window manager make the window larger after all.
  static void fit(int window_height);

 private:
  GLuint texture_ = 0;
  std::vector<uint8_t> pixels_;
  std::optional<FrameInputs> shown_;
};

}  // namespace console::glut
