#pragma once

// Helpers of the map tests: a tile server on 127.0.0.1, config files and
// pixel counts of a grabbed view.

#include <functional>
#include <memory>
#include <QColor>
#include <QImage>
#include <QString>
#include <QTcpServer>

namespace mapu_test {

// Serves every GET with one solid-colour PNG (256 x 256) and counts them.
class TileServer {
 public:
  explicit TileServer(QColor colour);
  quint16 port() const { return port_; }
  int requests() const { return requests_; }
  // Refuses connections from now on.
  void stop() { server_.close(); }

 private:
  QTcpServer server_;
  QByteArray png_;
  quint16 port_ = 0;
  int requests_ = 0;
};

QByteArray SolidPng(QColor colour);
// A port on 127.0.0.1 that nothing listens on.
quint16 ClosedPort();
// Writes `body` as <folder>/config.ini and returns its path.
QString WriteConfig(const QString& folder, const QString& body);
// Share of pixels within `tolerance` of `colour` in every channel.
double ColourShare(const QImage& image, QColor colour, int tolerance);
int ColourCount(const QImage& image, QColor colour, int tolerance);

}  // namespace mapu_test
