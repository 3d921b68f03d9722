#include "map_test_support.h"

#include <cstdlib>
#include <QBuffer>
#include <QFile>
#include <QTcpSocket>

namespace mapu_test {

QByteArray SolidPng(QColor colour) {
  QImage image(256, 256, QImage::Format_RGB32);
  image.fill(colour);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

TileServer::TileServer(QColor colour) : png_(SolidPng(colour)) {
  server_.listen(QHostAddress::LocalHost, 0);
  port_ = server_.serverPort();
  QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
        // One request per connection; answer once its head is complete.
        if (socket->property("answered").toBool()) return;
        QByteArray head = socket->property("head").toByteArray() + socket->readAll();
        socket->setProperty("head", head);
        if (!head.contains("\r\n\r\n")) return;
        socket->setProperty("answered", true);
        ++requests_;
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nCache-Control: max-age=86400\r\n"
                      "Connection: close\r\nContent-Length: " +
                      QByteArray::number(png_.size()) + "\r\n\r\n" + png_);
        socket->disconnectFromHost();
      });
    }
  });
}

quint16 ClosedPort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  const quint16 port = probe.serverPort();
  probe.close();
  return port;
}

QString WriteConfig(const QString& folder, const QString& body) {
  const QString path = folder + QStringLiteral("/config.ini");
  QFile file(path);
  if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(body.toUtf8());
  return path;
}

int ColourCount(const QImage& image, QColor colour, int tolerance) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  int count = 0;
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x) {
      if (std::abs(qRed(line[x]) - colour.red()) <= tolerance &&
          std::abs(qGreen(line[x]) - colour.green()) <= tolerance &&
          std::abs(qBlue(line[x]) - colour.blue()) <= tolerance) {
        ++count;
      }
    }
  }
  return count;
}

double ColourShare(const QImage& image, QColor colour, int tolerance) {
  const double pixels = double(image.width()) * image.height();
  return pixels > 0 ? ColourCount(image, colour, tolerance) / pixels : 0.0;
}

}  // namespace mapu_test
