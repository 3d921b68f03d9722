#include "corvane/playback/video_gl_view.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>

#include "corvane/playback/video_static.h"

namespace {

constexpr const char* kVertexShader = R"(
attribute vec2 position;
attribute vec2 texcoord;
varying highp vec2 tc;
void main() {
  tc = texcoord;
  gl_Position = vec4(position, 0.0, 1.0);
}
)";

// BT.601 studio range, as the library's own conversion: the factors are
// its 13-bit fixed-point ones divided by 8192.
constexpr const char* kFragmentShader = R"(
varying highp vec2 tc;
uniform sampler2D planeY;
uniform sampler2D planeU;
uniform sampler2D planeV;
uniform sampler2D overlay;
uniform bool hasOverlay;
void main() {
  highp float y = 1.1639404 * (texture2D(planeY, tc).r - 0.0627451);
  highp float u = texture2D(planeU, tc).r - 0.5019608;
  highp float v = texture2D(planeV, tc).r - 0.5019608;
  highp vec3 rgb = vec3(y + 1.5959473 * v, y - 0.8129883 * v - 0.3909912 * u, y + 2.0179443 * u);
  if (hasOverlay) {
    highp vec4 over = texture2D(overlay, tc).bgra;
    rgb = mix(rgb, over.rgb, over.a);
  }
  gl_FragColor = vec4(clamp(rgb, 0.0, 1.0), 1.0);
}
)";

// A quad over the viewport, the picture's top row at the top.
constexpr std::array<GLfloat, 16> kQuad{
    -1, -1, 0, 1,  //
    1,  -1, 1, 1,  //
    -1, 1,  0, 0,  //
    1,  1,  1, 0,
};

}  // namespace

CVideoGlView::CVideoGlView(CVideoStatic& surface) : surface_(surface) {
  setObjectName(surface.objectName() + "Gl");
}

CVideoGlView::~CVideoGlView() {
  if (!isValid()) return;
  makeCurrent();
  ReleaseTextures();
  doneCurrent();
}

QWidget* CVideoGlView::Embed() {
  QWidget* container = QWidget::createWindowContainer(this, &surface_);
  container->setObjectName(objectName() + "Container");
  return container;
}

void CVideoGlView::Forward(QMouseEvent* event) {
  QMouseEvent forwarded(event->type(), event->position(), event->globalPosition(), event->button(),
                        event->buttons(), event->modifiers());
  QCoreApplication::sendEvent(&surface_, &forwarded);
}

void CVideoGlView::mousePressEvent(QMouseEvent* event) { Forward(event); }
void CVideoGlView::mouseReleaseEvent(QMouseEvent* event) { Forward(event); }
void CVideoGlView::mouseDoubleClickEvent(QMouseEvent* event) { Forward(event); }

void CVideoGlView::ReleaseTextures() {
  if (textures_[0] != 0) glDeleteTextures(static_cast<GLsizei>(textures_.size()), textures_.data());
  textures_.fill(0);
}

void CVideoGlView::initializeGL() {
  initializeOpenGLFunctions();
  program_.addShaderFromSourceCode(QOpenGLShader::Vertex, kVertexShader);
  program_.addShaderFromSourceCode(QOpenGLShader::Fragment, kFragmentShader);
  program_.bindAttributeLocation("position", 0);
  program_.bindAttributeLocation("texcoord", 1);
  program_.link();
  glGenTextures(static_cast<GLsizei>(textures_.size()), textures_.data());
  for (GLuint texture : textures_) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  }
  uploaded_ = 0;
}

void CVideoGlView::Upload() {
  const SlotPicture& picture = surface_.shown();
  const int width = picture.width;
  const int height = picture.height;
  const int chromaWidth = (width + 1) / 2;
  const int chromaHeight = (height + 1) / 2;
  const uint8_t* y = picture.pixels.data();
  const uint8_t* u = y + static_cast<size_t>(width) * height;
  const uint8_t* v = u + static_cast<size_t>(chromaWidth) * chromaHeight;
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  const auto plane = [this](int index, int w, int h, const uint8_t* data) {
    glBindTexture(GL_TEXTURE_2D, textures_[static_cast<size_t>(index)]);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, w, h, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, data);
  };
  plane(0, width, height, y);
  plane(1, chromaWidth, chromaHeight, u);
  plane(2, chromaWidth, chromaHeight, v);
  hasOverlay_ = picture.overlay.size() >= static_cast<size_t>(width) * height * 4;
  if (hasOverlay_) {
    glBindTexture(GL_TEXTURE_2D, textures_[3]);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, picture.overlay.data());
  }
}

void CVideoGlView::paintGL() {
  surface_.TakePicture();
  const SlotPicture& picture = surface_.shown();
  if (picture.empty() || picture.format != BR_PIXFMT_I420) {
    QPainter painter(this);
    surface_.PaintIdle(painter, QRect(0, 0, width(), height()));
    return;
  }
  if (uploaded_ != surface_.paintedPictures()) {
    Upload();
    uploaded_ = surface_.paintedPictures();
  }
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  const qreal ratio = devicePixelRatio();
  const QRect fitted = FitPicture(QSize(picture.width, picture.height), QRect(0, 0, width(), height()));
  glViewport(static_cast<GLint>(fitted.x() * ratio), static_cast<GLint>((height() - fitted.bottom() - 1) * ratio),
             static_cast<GLsizei>(fitted.width() * ratio), static_cast<GLsizei>(fitted.height() * ratio));
  program_.bind();
  for (int i = 0; i < 4; ++i) {
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(i));
    glBindTexture(GL_TEXTURE_2D, textures_[static_cast<size_t>(i)]);
  }
  program_.setUniformValue("planeY", 0);
  program_.setUniformValue("planeU", 1);
  program_.setUniformValue("planeV", 2);
  program_.setUniformValue("overlay", 3);
  program_.setUniformValue("hasOverlay", hasOverlay_);
  program_.enableAttributeArray(0);
  program_.enableAttributeArray(1);
  program_.setAttributeArray(0, GL_FLOAT, kQuad.data(), 2, 4 * sizeof(GLfloat));
  program_.setAttributeArray(1, GL_FLOAT, kQuad.data() + 2, 2, 4 * sizeof(GLfloat));
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  program_.disableAttributeArray(0);
  program_.disableAttributeArray(1);
  program_.release();
  glActiveTexture(GL_TEXTURE0);
}
