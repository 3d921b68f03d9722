#pragma once

#include <QOpenGLFunctions>
#include <QOpenGLShaderProgram>
#include <QOpenGLWindow>

#include <array>
#include <cstdint>

class CVideoStatic;

// The OpenGL face of a video window's drawing surface: uploads the newest
// 4:2:0 picture and its overlay as textures and converts, blends and scales
// them on the graphics processor. With no picture it shows the surface's
// idle caption.
//
// A window of its own inside the surface (see Embed), so that a new picture
// redraws only it: a QOpenGLWidget would have the whole main window composed
// again through OpenGL for every picture of every channel. Clicks go on to
// the surface, and from there to the video window.
class CVideoGlView : public QOpenGLWindow, protected QOpenGLFunctions {
 public:
  explicit CVideoGlView(CVideoStatic& surface);
  ~CVideoGlView() override;

  // The widget holding this window inside `surface`, which owns it.
  QWidget* Embed();

 protected:
  void initializeGL() override;
  void paintGL() override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void Upload();
  void ReleaseTextures();
  void Forward(QMouseEvent* event);

  CVideoStatic& surface_;
  QOpenGLShaderProgram program_;
  std::array<GLuint, 4> textures_{};  // Y, U, V, overlay
  bool hasOverlay_ = false;
  uint64_t uploaded_ = 0;  // the surface's picture count at the last upload
};
