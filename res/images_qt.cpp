// The one drawing of the program's pictures (images.h), with Qt's painter: the only file of
// res/ that uses a toolkit.
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "res/images.h"
#include "ui/qt/qt_backend.h"

namespace res {

namespace {

const QColor kDeepBlue(0x0d, 0x3b, 0x66);
const QColor kBlue(0x1f, 0x6f, 0xb2);
const QColor kTeal(0x2b, 0xa8, 0xa4);
const QColor kSilver(0xe8, 0xee, 0xf3);
const QColor kSteel(0x9a, 0xab, 0xba);
const QColor kLed(0x5c, 0xe6, 0x6b);

// A disk drawn as a cylinder standing in `r`.
void DrawDisk(QPainter& p, const QRectF& r)
{
    const qreal capH = r.height() * 0.28;
    QLinearGradient body(r.topLeft(), r.topRight());
    body.setColorAt(0, kSteel);
    body.setColorAt(0.45, kSilver);
    body.setColorAt(1, kSteel.darker(115));
    QPainterPath path;
    path.moveTo(r.left(), r.top() + capH / 2);
    path.lineTo(r.left(), r.bottom() - capH / 2);
    path.arcTo(QRectF(r.left(), r.bottom() - capH, r.width(), capH), 180, 180);
    path.lineTo(r.right(), r.top() + capH / 2);
    path.closeSubpath();
    p.setPen(QPen(kDeepBlue.darker(140), qMax(1.0, r.width() / 24)));
    p.setBrush(body);
    p.drawPath(path);
    p.setBrush(kSilver);
    p.drawEllipse(QRectF(r.left(), r.top(), r.width(), capH));
    // Platter hub on the top face.
    p.setBrush(kSteel);
    const qreal hub = r.width() * 0.18;
    p.drawEllipse(QRectF(r.center().x() - hub / 2, r.top() + capH / 2 - hub / 4, hub, hub / 2));
}

// The adapter: a rounded box with an activity light and a network port.
void DrawAdapter(QPainter& p, const QRectF& r)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(0x3a, 0x46, 0x55));
    g.setColorAt(1, QColor(0x1c, 0x24, 0x2e));
    p.setPen(QPen(QColor(0x0b, 0x10, 0x16), qMax(1.0, r.height() / 14)));
    p.setBrush(g);
    const qreal radius = r.height() * 0.22;
    p.drawRoundedRect(r, radius, radius);
    p.setPen(Qt::NoPen);
    p.setBrush(kLed);
    const qreal led = r.height() * 0.22;
    p.drawEllipse(QRectF(r.left() + r.height() * 0.3, r.center().y() - led / 2, led, led));
    p.setBrush(QColor(0x0b, 0x10, 0x16));
    const QRectF port(r.right() - r.height() * 0.95, r.center().y() - r.height() * 0.22,
                      r.height() * 0.55, r.height() * 0.44);
    p.drawRect(port);
}

QImage WizardBitmap()
{
    const int w = 160, h = 249;
    QImage pm(w, h, QImage::Format_RGB32);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, 0, h);
    bg.setColorAt(0, kDeepBlue);
    bg.setColorAt(0.65, kBlue);
    bg.setColorAt(1, kTeal);
    p.fillRect(pm.rect(), bg);
    // Soft rings, like a signal spreading from the adapter over the network.
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 4; ++i) {
        QColor c = kSilver;
        c.setAlphaF(0.16f - 0.03f * static_cast<float>(i));
        p.setPen(QPen(c, 2));
        const qreal r = 38 + 22 * i;
        p.drawEllipse(QPointF(w / 2.0, 150), r, r * 0.55);
    }
    QRadialGradient glow(QPointF(w / 2.0, 120), 90);
    glow.setColorAt(0, QColor(255, 255, 255, 60));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(w / 2.0, 120), 90, 90);
    DrawDisk(p, QRectF(52, 56, 56, 70));
    p.setPen(QPen(kSilver, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(80, 126), QPointF(80, 146));
    DrawAdapter(p, QRectF(28, 146, 104, 30));
    // Two more adapters on the same segment, smaller and fainter.
    p.setOpacity(0.55);
    DrawAdapter(p, QRectF(14, 196, 52, 15));
    DrawAdapter(p, QRectF(94, 196, 52, 15));
    p.setOpacity(1);
    p.setPen(QPen(QColor(255, 255, 255, 110), 1.5, Qt::DashLine));
    p.drawLine(QPointF(40, 196), QPointF(68, 176));
    p.drawLine(QPointF(120, 196), QPointF(92, 176));
    // Title.
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(15);
    f.setBold(true);
    p.setFont(f);
    p.setPen(kSilver);
    p.drawText(QRectF(0, 12, w, 22), Qt::AlignHCenter | Qt::AlignVCenter,
               QStringLiteral("Quick Setup"));
    f.setPixelSize(10);
    f.setBold(false);
    p.setFont(f);
    p.setPen(QColor(255, 255, 255, 190));
    p.drawText(QRectF(0, 32, w, 16), Qt::AlignHCenter | Qt::AlignVCenter,
               QStringLiteral("storage adapters"));
    p.end();
    return pm;
}

}  // namespace

ui::Image DrawProgramIcon(int size)
{
    if (qGuiApp == nullptr || size <= 0) return {};
    QImage pm(size, size, QImage::Format_ARGB32_Premultiplied);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QLinearGradient bg(0, 0, s, s);
    bg.setColorAt(0, kBlue);
    bg.setColorAt(1, kDeepBlue);
    p.setPen(Qt::NoPen);
    p.setBrush(bg);
    p.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.18, s * 0.18);
    if (size >= 24) {
        DrawDisk(p, QRectF(s * 0.30, s * 0.10, s * 0.40, s * 0.48));
        // The cable from the disk into the adapter.
        p.setPen(QPen(kSilver, s / 20, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(s * 0.5, s * 0.58), QPointF(s * 0.5, s * 0.66));
        DrawAdapter(p, QRectF(s * 0.12, s * 0.64, s * 0.76, s * 0.24));
    } else {
        DrawDisk(p, QRectF(s * 0.22, s * 0.10, s * 0.56, s * 0.56));
        DrawAdapter(p, QRectF(s * 0.10, s * 0.66, s * 0.80, s * 0.24));
    }
    p.end();
    return ui::qt::FromQImage(pm);
}

ui::Image DrawWizardBitmap()
{
    if (qGuiApp == nullptr) return {};
    return ui::qt::FromQImage(WizardBitmap());
}

std::vector<std::uint8_t> EncodePng(const ui::Image& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!ui::qt::ToQImage(image).save(&buffer, "PNG")) return {};
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace res
