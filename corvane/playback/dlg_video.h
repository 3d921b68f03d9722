#pragma once

#include <QWidget>

struct AppContext;
class CVideoStatic;

// One of the playback page's eight video windows: its drawing surface
// inside a two-pixel blue margin, a one-pixel frame red when selected and
// blue otherwise. A click selects it, a double click toggles it alone, a
// right click shows the AVI conversion of its recording, disabled until
// the conversion dialog exists.
class CDlgVideo : public QWidget {
  Q_OBJECT

 public:
  CDlgVideo(int index, AppContext& context, int bkColor, QWidget* parent);

  int index() const { return index_; }
  bool selected() const { return selected_; }
  void SetSelected(bool selected);
  CVideoStatic* surface() const { return surface_; }

 signals:
  void selectRequested(int index);
  void toggleRequested(int index);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  int index_;
  AppContext& context_;
  bool selected_ = false;
  CVideoStatic* surface_;
};
