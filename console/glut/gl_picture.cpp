#include "console/glut/gl_picture.h"

#include <GL/glxew.h>
#include <GL/freeglut.h>

#include "console/glut/font.h"

namespace console::glut {

namespace {

// OpenGL 1.1 textures have power-of-two sides; the picture fills a corner.
constexpr int kTextureWidth = 1024;
constexpr int kTextureHeight = 512;

}  // namespace

void GlPicture::set_up() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, kFrameWidth, kFrameHeight, 0, -1, 1);  // y grows downwards, as rows do
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_TEXTURE_2D);
  glGenTextures(1, &texture_);
  glBindTexture(GL_TEXTURE_2D, texture_);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kTextureWidth, kTextureHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  // Under a software renderer, drawing and copying a frame's changed rows
  // costs a fraction of the whole frame: a blinking cursor is one row.
  copy_sub_buffer_ = GLXEW_MESA_copy_sub_buffer && glXCopySubBufferMESA != nullptr;
}

void GlPicture::fit(int window_width, int window_height) {
  window_width_ = window_width;
  window_height_ = window_height;
  back_buffer_whole_ = false;  // a resized buffer may have lost it
  glViewport(0, window_height - kFrameHeight, kFrameWidth, kFrameHeight);
}

void GlPicture::show(const FrameInputs& now) {
  if (!shown_) {
    show_again(now);
    return;
  }
  const RedrawnRows rows = update_frame(*shown_, now, pixels_);
  shown_ = now;
  if (rows.first == 0) return;  // it looks the same (a hidden cursor moved, say)
  upload(rows);
  present(rows);
}

void GlPicture::show_again(const FrameInputs& now) {
  if (!shown_) {
    draw_frame(now.screen, now.blink_shown, now.cursor_shown, pixels_);
    shown_ = now;
    upload({1, kScreenRows});
  }
  present(std::nullopt);
}

void GlPicture::upload(const RedrawnRows& rows) {
  const int top = (rows.first - 1) * kGlyphHeight;
  const int height = (rows.last - rows.first + 1) * kGlyphHeight;
  glBindTexture(GL_TEXTURE_2D, texture_);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, top, kFrameWidth, height, GL_RGBA, GL_UNSIGNED_BYTE,
                  &pixels_[static_cast<std::size_t>(top) * kFrameWidth * 4]);
}

void GlPicture::present(std::optional<RedrawnRows> rows) {
  // Mesa's copy of a part of the buffer goes wrong in a window of another
  // size than the page (a BadValue from its MIT-SHM PutImage).
  const bool copy = copy_sub_buffer_ && window_width_ == kFrameWidth && window_height_ == kFrameHeight;
  if (!copy || !back_buffer_whole_) rows.reset();
  // The rectangle to draw and copy, in window coordinates, which count from
  // the bottom.
  const int x = 0;
  int y = 0;
  int width = window_width_;
  int height = window_height_;
  if (rows) {
    height = (rows->last - rows->first + 1) * kGlyphHeight;
    y = window_height_ - rows->last * kGlyphHeight;
    glEnable(GL_SCISSOR_TEST);
    glScissor(x, y, width, height);
  }
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glBindTexture(GL_TEXTURE_2D, texture_);
  const float right = static_cast<float>(kFrameWidth) / kTextureWidth;
  const float bottom = static_cast<float>(kFrameHeight) / kTextureHeight;
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2f(0, 0);
  glTexCoord2f(right, 0);
  glVertex2f(kFrameWidth, 0);
  glTexCoord2f(right, bottom);
  glVertex2f(kFrameWidth, kFrameHeight);
  glTexCoord2f(0, bottom);
  glVertex2f(0, kFrameHeight);
  glEnd();
  glDisable(GL_SCISSOR_TEST);
  if (copy) {
    glXCopySubBufferMESA(glXGetCurrentDisplay(), glXGetCurrentDrawable(), x, y, width, height);
    back_buffer_whole_ = true;
  } else {
    glutSwapBuffers();  // the back buffer is undefined after it
  }
}

}  // namespace console::glut
