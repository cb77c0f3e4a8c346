#include "platform/ui/twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace ui {

double logicalDpi()
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            return screen->logicalDotsPerInchX();
    }
    return 96.0;
}

int twipsToPixels(double twips)
{
    return static_cast<int>(std::lround(twips * logicalDpi() / TwipsPerInch));
}

int pixelsToTwips(int pixels)
{
    return static_cast<int>(std::lround(pixels * TwipsPerInch / logicalDpi()));
}

} // namespace ui
