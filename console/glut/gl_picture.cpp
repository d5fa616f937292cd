#include "console/glut/gl_picture.h"

#include <GL/freeglut.h>

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
}

void GlPicture::fit(int window_height) { glViewport(0, window_height - kFrameHeight, kFrameWidth, kFrameHeight); }

void GlPicture::show(const FrameInputs& now) {
  if (shown_) {
    update_frame(*shown_, now, pixels_);
  } else {
    draw_frame(now.screen, now.blink_shown, now.cursor_shown, pixels_);
  }
  shown_ = now;
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glBindTexture(GL_TEXTURE_2D, texture_);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kFrameWidth, kFrameHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels_.data());
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
  glutSwapBuffers();
}

}  // namespace console::glut
