#include "imaging/ButtonArt.h"

#include "base/KelvaraError.h"

// Q_INIT_RESOURCE declares a global function, so it cannot sit in a namespace.
static void initButtonResources()
{
    Q_INIT_RESOURCE(buttons);
}

namespace {

QImage load(const QString &path)
{
    initButtonResources();
    QImage image(path);
    // Both pictures are part of the executable; missing ones mean a broken build.
    if (image.isNull())
        throw KelvaraError(53, QStringLiteral("Button artwork not found: ") + path);
    return image.convertToFormat(QImage::Format_RGB888);
}

} // namespace

QImage ButtonArt::normal()
{
    static const QImage image = load(QStringLiteral(":/buttons/button.png"));
    return image;
}

QImage ButtonArt::highlighted()
{
    static const QImage image = load(QStringLiteral(":/buttons/select.png"));
    return image;
}
