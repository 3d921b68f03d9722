#include "corvane/playback/video_path.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>

namespace {

bool OpenGlWorks() {
  // The offscreen platform has no windows to show a GL surface in.
  if (QGuiApplication::platformName() == "offscreen") return false;
  QOpenGLContext context;
  if (!context.create()) return false;
  QOffscreenSurface surface;
  surface.setFormat(context.format());
  surface.create();
  if (!surface.isValid() || !context.makeCurrent(&surface)) return false;
  // Shaders are what the conversion needs.
  const bool shaders = context.functions()->hasOpenGLFeature(QOpenGLFunctions::Shaders);
  context.doneCurrent();
  return shaders;
}

VideoPath Choose() {
  const QByteArray wanted = qgetenv("CORVANE_VIDEO");
  if (wanted == "software") return VideoPath::kSoftware;
  if (wanted == "gl") return VideoPath::kOpenGl;
  return OpenGlWorks() ? VideoPath::kOpenGl : VideoPath::kSoftware;
}

}  // namespace

VideoPath ChosenVideoPath() {
  static const VideoPath path = Choose();
  return path;
}
