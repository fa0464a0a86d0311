#include "ui/app/ToolbarIconsQt.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <array>

#include "commands/CommandIds.h"

namespace padscope {

namespace {

constexpr int kSize = 32;

struct Palette {
  QColor ink;     // outlines and symbols
  QColor accent;  // the command's own colour
  QColor paper;   // light fill
};

void Arrow(QPainter& p, const Palette& c, int angle) {
  p.save();
  p.translate(16, 16);
  p.rotate(angle);
  QPainterPath path;
  path.moveTo(0, -11);
  path.lineTo(10, 1);
  path.lineTo(4, 1);
  path.lineTo(4, 11);
  path.lineTo(-4, 11);
  path.lineTo(-4, 1);
  path.lineTo(-10, 1);
  path.closeSubpath();
  p.setBrush(c.accent);
  p.drawPath(path);
  p.restore();
}

void Magnifier(QPainter& p, const Palette& c, bool plus) {
  p.setBrush(c.paper);
  p.drawEllipse(QPointF(13, 13), 9, 9);
  p.setPen(QPen(c.ink, 4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(20, 20), QPointF(28, 28));
  p.setPen(QPen(c.accent, 2.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(8.5, 13), QPointF(17.5, 13));
  if (plus) {
    p.drawLine(QPointF(13, 8.5), QPointF(13, 17.5));
  }
}

void Draw(QPainter& p, int id, const Palette& c) {
  p.setPen(QPen(c.ink, 1.6));
  switch (id) {
    case kCmdStartCapture: {
      QPainterPath tri;
      tri.moveTo(9, 5);
      tri.lineTo(27, 16);
      tri.lineTo(9, 27);
      tri.closeSubpath();
      p.setBrush(c.accent);
      p.drawPath(tri);
      break;
    }
    case kCmdStopCapture:
      p.setBrush(c.accent);
      p.drawRoundedRect(QRectF(7, 7, 18, 18), 3, 3);
      break;
    case kCmdDumpOriginalData:  // a sheet with a down arrow: save
      p.setBrush(c.paper);
      p.drawRoundedRect(QRectF(5, 4, 22, 24), 2, 2);
      p.setPen(QPen(c.accent, 3, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(16, 9), QPointF(16, 21));
      p.drawLine(QPointF(11, 16), QPointF(16, 22));
      p.drawLine(QPointF(21, 16), QPointF(16, 22));
      break;
    case kCmdLoadData: {  // a folder
      QPainterPath folder;
      folder.moveTo(3, 9);
      folder.lineTo(12, 9);
      folder.lineTo(14, 12);
      folder.lineTo(29, 12);
      folder.lineTo(29, 26);
      folder.lineTo(3, 26);
      folder.closeSubpath();
      p.setBrush(c.accent);
      p.drawPath(folder);
      break;
    }
    case kCmdUtilities:  // a flash chip
      p.setBrush(c.paper);
      p.drawRect(QRectF(8, 8, 16, 16));
      for (int i = 0; i < 3; ++i) {
        p.drawLine(QPointF(11 + 5 * i, 3), QPointF(11 + 5 * i, 8));
        p.drawLine(QPointF(11 + 5 * i, 24), QPointF(11 + 5 * i, 29));
      }
      p.setBrush(c.accent);
      p.drawEllipse(QPointF(16, 16), 3.5, 3.5);
      break;
    case kCmdClearMessageLog:  // lines struck out
      p.setBrush(c.paper);
      p.drawRect(QRectF(5, 5, 22, 22));
      for (int i = 0; i < 4; ++i) {
        p.drawLine(QPointF(9, 10 + 4 * i), QPointF(23, 10 + 4 * i));
      }
      p.setPen(QPen(c.accent, 3, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(8, 8), QPointF(24, 24));
      p.drawLine(QPointF(24, 8), QPointF(8, 24));
      break;
    case kCmdAbout:
      p.setBrush(c.accent);
      p.drawEllipse(QPointF(16, 16), 12, 12);
      p.setPen(QPen(c.paper, 3, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(16, 14), QPointF(16, 22));
      p.drawPoint(QPointF(16, 9.5));
      break;
    case kCmdPositionCoordinates:  // a cross-hair
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(c.accent, 2.2));
      p.drawEllipse(QPointF(16, 16), 9, 9);
      p.setPen(QPen(c.ink, 2));
      p.drawLine(QPointF(16, 3), QPointF(16, 29));
      p.drawLine(QPointF(3, 16), QPointF(29, 16));
      break;
    case kCmdRecharge: {  // a circular arrow
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(c.accent, 3.5, Qt::SolidLine, Qt::RoundCap));
      p.drawArc(QRectF(6, 6, 20, 20), 60 * 16, 280 * 16);
      QPainterPath head;
      head.moveTo(21, 2);
      head.lineTo(28, 9);
      head.lineTo(19, 11);
      head.closeSubpath();
      p.setPen(QPen(c.ink, 1.2));
      p.setBrush(c.accent);
      p.drawPath(head);
      break;
    }
    case kCmdCoordZoomIn:
      Magnifier(p, c, true);
      break;
    case kCmdCoordZoomOut:
      Magnifier(p, c, false);
      break;
    case kCmdRangeUp:
      Arrow(p, c, 0);
      break;
    case kCmdRangeDown:
      Arrow(p, c, 180);
      break;
    case kCmdPanLeft:
      Arrow(p, c, 270);
      break;
    case kCmdPanRight:
      Arrow(p, c, 90);
      break;
    case kCmdFollowRawValue: {  // a trace with a pointer on it
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(c.accent, 2.2));
      QPainterPath wave;
      wave.moveTo(3, 20);
      wave.cubicTo(9, 6, 14, 28, 20, 14);
      wave.lineTo(29, 10);
      p.drawPath(wave);
      p.setPen(QPen(c.ink, 1.5, Qt::DashLine));
      p.drawLine(QPointF(20, 3), QPointF(20, 29));
      break;
    }
    case kCmdMeasure: {  // two cursors over a trace, an arrow between them
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(c.ink, 1.4));
      QPainterPath wave;
      wave.moveTo(2, 22);
      wave.cubicTo(8, 22, 10, 8, 16, 8);
      wave.cubicTo(22, 8, 24, 22, 30, 22);
      p.drawPath(wave);
      p.setPen(QPen(c.accent, 2.2, Qt::DashLine, Qt::FlatCap));
      p.drawLine(QPointF(8, 3), QPointF(8, 29));
      p.drawLine(QPointF(24, 3), QPointF(24, 29));
      p.setPen(QPen(c.accent, 1.8, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(10, 27), QPointF(22, 27));
      p.drawLine(QPointF(10, 27), QPointF(13, 24.5));
      p.drawLine(QPointF(22, 27), QPointF(19, 24.5));
      break;
    }
    case kCmdFitToData: {  // a trace inside four corner brackets
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(c.accent, 2.2));
      QPainterPath wave;
      wave.moveTo(7, 20);
      wave.cubicTo(11, 20, 12, 11, 16, 11);
      wave.cubicTo(20, 11, 21, 20, 25, 20);
      p.drawPath(wave);
      p.setPen(QPen(c.ink, 2.4, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
      for (const auto& [x, y, dx, dy] :
           {std::array<int, 4>{3, 3, 1, 1}, {29, 3, -1, 1}, {3, 29, 1, -1}, {29, 29, -1, -1}}) {
        p.drawPolyline(QPolygonF({QPointF(x, y + 7 * dy), QPointF(x, y), QPointF(x + 7 * dx, y)}));
      }
      break;
    }
    case kCmdTogglePlayback:
      p.setBrush(c.accent);
      p.drawRect(QRectF(5, 7, 5, 18));
      p.drawRect(QRectF(12, 7, 5, 18));
      {
        QPainterPath tri;
        tri.moveTo(20, 8);
        tri.lineTo(29, 16);
        tri.lineTo(20, 24);
        tri.closeSubpath();
        p.drawPath(tri);
      }
      break;
    default:
      break;
  }
}

QColor AccentOf(int id) {
  switch (id) {
    case kCmdStartCapture:
      return QColor(46, 160, 67);
    case kCmdStopCapture:
      return QColor(207, 56, 56);
    case kCmdDumpOriginalData:
    case kCmdLoadData:
      return QColor(224, 160, 40);
    case kCmdRecharge:
    case kCmdFollowRawValue:
      return QColor(140, 90, 200);
    case kCmdMeasure:
    case kCmdFitToData:
      return QColor(0, 150, 160);
    default:
      return QColor(40, 110, 200);
  }
}

QPixmap Render(int id, bool hot) {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  Palette c{QColor(50, 50, 55), AccentOf(id), QColor(245, 245, 240)};
  if (hot) {
    c.accent = c.accent.lighter(135);
    c.ink = QColor(20, 20, 20);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 70));
    p.drawRoundedRect(QRectF(0.5, 0.5, 31, 31), 5, 5);
  }
  Draw(p, id, c);
  return pixmap;
}

// Drawn on a 64-unit grid and scaled: a dark scope screen with a green trace
// rising over a touch pad.
QPixmap RenderProgramIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);
  p.setPen(QPen(QColor(30, 30, 34), 2));
  p.setBrush(QColor(24, 44, 40));
  p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
  p.setPen(QPen(QColor(60, 90, 80), 1));
  for (int y = 14; y < 60; y += 12) {
    p.drawLine(QPointF(6, y), QPointF(58, y));
  }
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(240, 190, 60));
  p.drawEllipse(QPointF(32, 46), 11, 11);
  p.setBrush(QColor(24, 44, 40));
  p.drawEllipse(QPointF(32, 46), 5, 5);
  QPainterPath trace;
  trace.moveTo(6, 40);
  trace.lineTo(20, 40);
  trace.lineTo(26, 14);
  trace.lineTo(38, 14);
  trace.lineTo(44, 40);
  trace.lineTo(58, 40);
  p.setPen(QPen(QColor(80, 230, 120), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(trace);
  return pixmap;
}

}  // namespace

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64}) {
    icon.addPixmap(RenderProgramIcon(size));
  }
  return icon;
}

QPixmap ProgramIconPixmap(int size) {
  return RenderProgramIcon(size);
}

QIcon ToolbarIcon(int commandId) {
  QIcon icon;
  icon.addPixmap(Render(commandId, false), QIcon::Normal);
  icon.addPixmap(Render(commandId, true), QIcon::Active);
  return icon;
}

}  // namespace padscope
