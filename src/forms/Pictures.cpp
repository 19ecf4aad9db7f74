#include "Pictures_p.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>

namespace forms::detail {

namespace {

// Decoded pictures by file, kept until the application object goes.
QHash<QString, QPixmap> &pictures()
{
    static QHash<QString, QPixmap> decoded = [] {
        qAddPostRoutine([] { pictures().clear(); });
        return QHash<QString, QPixmap>();
    }();
    return decoded;
}

// The format comes from the file's name: Qt's own detection would first offer the file to every
// installed image plugin, which for one bitmap loads a dozen plugins and their libraries.
QPixmap decoded(const QString &file)
{
    auto known = pictures().constFind(file);
    if (known != pictures().cend())
        return *known;
    QPixmap pixmap;
    if (QFile::exists(file)) {
        QImageReader reader(file, QFileInfo(file).suffix().toLower().toLatin1());
        reader.setAutoDetectImageFormat(false);
        pixmap = QPixmap::fromImage(reader.read());
        if (file.contains(QLatin1String("@2x.")))
            pixmap.setDevicePixelRatio(2.0); // drawn at half its size in pixels
    }
    return pictures().insert(file, pixmap).value();
}

} // namespace

QPixmap picture(const QString &resource, qreal devicePixelRatio)
{
    if (devicePixelRatio > 1.0) {
        const qsizetype dot = resource.lastIndexOf(QLatin1Char('.'));
        const QPixmap dense =
                decoded(resource.left(dot) + QLatin1String("@2x") + resource.mid(dot));
        if (!dense.isNull())
            return dense;
    }
    return decoded(resource);
}

QIcon icon(const QString &resource)
{
    static QHash<QString, QIcon> icons = [] {
        qAddPostRoutine([] { icons.clear(); });
        return QHash<QString, QIcon>();
    }();
    auto known = icons.constFind(resource);
    if (known == icons.cend())
        known = icons.insert(resource, QIcon(resource));
    return *known;
}

} // namespace forms::detail
