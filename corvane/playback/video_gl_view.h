#pragma once

#include <QOpenGLFunctions>
#include <QOpenGLShaderProgram>
#include <QOpenGLWidget>

#include <array>
#include <cstdint>

class CVideoStatic;

// The OpenGL face of a video window's drawing surface: uploads the newest
// 4:2:0 picture and its overlay as textures and converts, blends and scales
// them on the graphics processor. With no picture it shows the surface's
// idle caption.
class CVideoGlView : public QOpenGLWidget, protected QOpenGLFunctions {
 public:
  explicit CVideoGlView(CVideoStatic& surface);
  ~CVideoGlView() override;

 protected:
  void initializeGL() override;
  void paintGL() override;

 private:
  void Upload();
  void ReleaseTextures();

  CVideoStatic& surface_;
  QOpenGLShaderProgram program_;
  std::array<GLuint, 4> textures_{};  // Y, U, V, overlay
  bool hasOverlay_ = false;
  uint64_t uploaded_ = 0;  // the surface's picture count at the last upload
};
