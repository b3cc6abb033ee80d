// The program's look: template fonts mapped to installed ones, a classic style and palette.
#include <QApplication>
#include <QFont>
#include <QFontInfo>
#include <QStyle>
#include <QStyleFactory>

#include "ui/qt/qt_backend.h"

namespace ui::qt {

bool SetupApplicationLook()
{
    // The templates' fonts. AR PL UMing gives the same 6 x 12 base units at 9 pt as the font
    // the layouts were drawn with, and renders the Chinese texts; DejaVu Sans Condensed gives
    // the 6 x 13 of the classic sans serif at 8 pt.
    QFont::insertSubstitutions(QStringLiteral("宋体"),
                               {QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL UMing TW"),
                                QStringLiteral("Noto Sans CJK SC"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(
        QStringLiteral("MS Sans Serif"),
        {QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
    // A fixed style, not the desktop's: the layouts assume the classic control metrics.
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Windows"))) {
        QApplication::setStyle(style);
        QApplication::setPalette(style->standardPalette());
    }
    QFont probe(QStringLiteral("宋体"));
    probe.setPixelSize(12);
    QApplication::setFont(probe);
    return QFontInfo(probe).family().startsWith(QStringLiteral("AR PL UMing"));
}

}  // namespace ui::qt
