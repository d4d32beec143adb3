#include "client/ui/icon_strip.h"

#include <QPainter>
#include <QPixmap>
#include <QtMath>

#include "common/gbk.h"

namespace ui {
namespace {

constexpr const char kBadSysIcon[] = "sys_icon配置错误：";

}  // namespace

IconStrip::IconStrip(const QImage& strip, int count) : count_(count < 0 ? 0 : count) {
  const QImage source = strip.convertToFormat(QImage::Format_ARGB32);
  const int kept = count_ < kMaxIconFrames ? count_ : kMaxIconFrames;
  for (int i = 0; i < kept; ++i) {
    QImage frame(kIconFrameSize, kIconFrameSize, QImage::Format_ARGB32);
    frame.fill(Qt::transparent);
    for (int y = 0; y < kIconFrameSize && y < source.height(); ++y) {
      const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
      auto* out = reinterpret_cast<QRgb*>(frame.scanLine(y));
      for (int x = 0; x < kIconFrameSize; ++x) {
        const int sx = i * kIconFrameSize + x;
        if (sx >= source.width()) break;
        // Pure black is the strip's transparent colour.
        if ((in[sx] & 0x00FFFFFFu) != 0) out[x] = in[sx] | 0xFF000000u;
      }
    }
    frames_.append(frame);
  }
}

QImage IconStrip::BuiltinPicture() {
  // Four frames of a blue disc with a white arrow that turns a quarter per
  // frame. Drawn without anti-aliasing: a blended edge next to the black
  // background would turn into a dark fringe instead of transparency.
  QImage strip(4 * kIconFrameSize, kIconFrameSize, QImage::Format_RGB32);
  strip.fill(Qt::black);
  QPainter p(&strip);
  p.setRenderHint(QPainter::Antialiasing, false);
  for (int i = 0; i < 4; ++i) {
    p.save();
    p.translate(i * kIconFrameSize + 8, 8);
    p.setPen(QColor(16, 64, 160));
    p.setBrush(QColor(40, 120, 220));
    p.drawEllipse(QPoint(0, 0), 7, 7);
    p.rotate(90.0 * i);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(-1, -4, 3, 8);
    const QPoint head[3] = {QPoint(-4, -1), QPoint(4, -1), QPoint(0, -6)};
    p.drawPolygon(head, 3);
    p.setBrush(QColor(255, 210, 0));
    p.drawRect(-1, 4, 3, 2);
    p.restore();
  }
  return strip;
}

IconStrip IconStrip::Builtin() { return IconStrip(BuiltinPicture(), 4); }

std::optional<IconStrip> IconStrip::FromSkinValue(
    std::string_view sysIcon, const std::function<QImage(const std::string&)>& loader,
    const std::function<void(std::string_view)>& log) {
  std::string value;
  for (char c : sysIcon) {
    if (c != ' ') value.push_back(c);
  }
  if (value.size() <= 1) return std::nullopt;
  const size_t colon = common::GbkFind(value, ':');
  if (colon == std::string::npos) {
    if (log) log(common::Gbk(kBadSysIcon));
    return std::nullopt;
  }
  const std::string member = value.substr(0, colon);
  const int count = common::AtoI(value.substr(colon + 1));
  QImage picture = loader ? loader(member) : QImage();
  if (picture.isNull()) return std::nullopt;
  return IconStrip(picture, count);
}

QList<QIcon> IconStrip::Icons() const {
  QList<QIcon> icons;
  for (const QImage& frame : frames_) icons.append(QIcon(QPixmap::fromImage(frame)));
  return icons;
}

QImage IconStrip::Frame(int i) const {
  if (i < 0 || i >= frames_.size()) return {};
  return frames_[i];
}

}  // namespace ui
