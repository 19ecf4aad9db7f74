// The pictures as the windows draw them, at the display's device-pixel ratio: the banner at the
// top-left of both windows and each category picture on its button, at their own size and never
// scaled, from the double-size drawings where the ratio is 2. Run once at scale 1 and once with
// QT_SCALE_FACTOR=2.
#include "TestSupport.h"

#include <QImage>
#include <QPixmap>

using namespace forms;

namespace {

QImage expectedPicture(const QString &resource, qreal ratio)
{
    QString name = resource;
    if (ratio > 1.0)
        name.insert(name.lastIndexOf('.'), "@2x");
    return QImage(name).convertToFormat(QImage::Format_RGB32);
}

// Whether the middle row of picture appears, pixel for pixel, somewhere in image.
bool containsMiddleRow(const QImage &image, const QImage &picture, int length)
{
    const QImage img = image.convertToFormat(QImage::Format_RGB32);
    const int row = picture.height() / 2;
    const int start = (picture.width() - length) / 2;
    const auto *wanted = reinterpret_cast<const QRgb *>(picture.constScanLine(row)) + start;
    for (int y = 0; y < img.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x + length <= img.width(); ++x) {
            if (std::equal(wanted, wanted + length, line + x))
                return true;
        }
    }
    return false;
}

qreal configuredRatio()
{
    const QByteArray factor = qgetenv("QT_SCALE_FACTOR");
    return factor.isEmpty() ? 1.0 : factor.toDouble();
}

} // namespace

class ArtworkDisplay : public QObject
{
    Q_OBJECT

private slots:
    void bannerAtTopLeftOfBothWindows()
    {
        ProgramScope scope;
        frmMain->Show();
        click(frmMain->cmdType[0]);
        for (Form *form : {static_cast<Form *>(&frmMain.instance()),
                           static_cast<Form *>(&frmSearch.instance())}) {
            const QPixmap shot = form->widget()->grab();
            const qreal ratio = shot.devicePixelRatio();
            QCOMPARE(ratio, configuredRatio());
            const QImage banner = expectedPicture(":/banner.bmp", ratio);
            QCOMPARE(banner.size(), QSize(374, 29) * ratio);
            const QImage window = shot.toImage().convertToFormat(QImage::Format_RGB32);
            for (int y = 0; y < banner.height(); y += 3) {
                for (int x = 0; x < banner.width(); x += 7)
                    QCOMPARE(window.pixel(x, y), banner.pixel(x, y));
            }
            // Beside and under the banner the window's grey shows.
            QCOMPARE(QColor(window.pixel(banner.width() + 2 * int(ratio), 2)),
                     QColor(224, 224, 224));
            QCOMPARE(QColor(window.pixel(2, banner.height() + 2 * int(ratio))),
                     QColor(224, 224, 224));
        }
    }

    void categoryPicturesUnscaledAndCentred_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < 8; ++i)
            QTest::addRow("picture %d", i) << i;
    }
    void categoryPicturesUnscaledAndCentred()
    {
        QFETCH(int, index);
        ProgramScope scope;
        frmMain->Show();
        QWidget *button = frmMain->cmdType[Integer(index)].widget();
        const QPixmap shot = button->grab();
        const qreal ratio = shot.devicePixelRatio();
        const QImage picture = expectedPicture(QString(":/pictures/type%1.jpg").arg(index), ratio);
        QCOMPARE(picture.size(), QSize(107, 65) * ratio);
        QCOMPARE(button->width(), 81);
        // 70 of the picture's 107 columns fit inside the button's frame: found unscaled.
        QVERIFY(containsMiddleRow(shot.toImage(), picture, int(70 * ratio)));
        // The picture is wider than the button, so both of its sides are cut off.
        QVERIFY(!containsMiddleRow(shot.toImage(), picture, picture.width()));
    }
};

MXR_TEST_MAIN(ArtworkDisplay)
#include "tst_artwork_display.moc"
