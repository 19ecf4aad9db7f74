// The background loader: pictures read on the helper thread are the pictures the files hold,
// each is handed over once, the main thread never waits for a picture queued behind others, and
// a button draws the same pixels whichever thread read its picture.
#include "forms/BackgroundLoader.h"
#include "forms/Widgets.h"

#include <QPixmapCache>
#include <QTest>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

using forms::detail::BackgroundLoader;
using forms::detail::readImage;

namespace {

// Reads for a loader, records which files it was asked for, and can hold one file back until
// released, so that a test knows where the helper thread is.
class RecordingReader
{
public:
    explicit RecordingReader(QString heldFile = {}) : m_held(std::move(heldFile)) {}

    BackgroundLoader::ImageReader reader()
    {
        return [this](const QString &file) {
            std::unique_lock lock(m_mutex);
            m_started << file;
            m_changed.notify_all();
            m_changed.wait(lock, [&] { return file != m_held || m_released; });
            lock.unlock();
            return readImage(file);
        };
    }

    // Whether the helper started on file; false only if it never does (a hang guard, not a time
    // limit on the work).
    bool waitUntilStarted(const QString &file)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(30),
                                  [&] { return m_started.contains(file); });
    }

    void release()
    {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }

    QStringList started()
    {
        std::lock_guard lock(m_mutex);
        return m_started;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    QStringList m_started;
    QString m_held;
    bool m_released = false;
};

const QString banner = QStringLiteral(":/banner.bmp");
const QString faxPicture = QStringLiteral(":/pictures/type3.jpg");
const QString scannerPicture = QStringLiteral(":/pictures/type6.jpg");
const QString copierPicture = QStringLiteral(":/pictures/type0.jpg");

} // namespace

class BackgroundLoaderTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QPixmapCache::clear(); }

    void readsWhatTheFileHolds_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("bitmap") << banner;
        QTest::newRow("jpeg") << faxPicture;
        QTest::newRow("dense jpeg") << QStringLiteral(":/pictures/type5@2x.jpg");
        QTest::newRow("missing") << QStringLiteral(":/pictures/none.jpg");
    }
    void readsWhatTheFileHolds()
    {
        QFETCH(QString, file);
        RecordingReader log;
        BackgroundLoader loader(log.reader());
        loader.requestPicture(file);
        QVERIFY(log.waitUntilStarted(file));
        const std::optional<QImage> image = loader.takePicture(file);
        QVERIFY(image.has_value());
        QCOMPARE(*image, readImage(file));
        QCOMPARE(image->isNull(), file.contains(QLatin1String("none")));
    }

    void handsEachPictureOverOnce()
    {
        RecordingReader log;
        BackgroundLoader loader(log.reader());
        QCOMPARE(BackgroundLoader::instance(), &loader);
        QVERIFY(!loader.takePicture(faxPicture).has_value());    // never asked for

        for (int i = 0; i < 3; ++i)
            loader.requestPicture(faxPicture);
        QVERIFY(log.waitUntilStarted(faxPicture));
        QVERIFY(loader.takePicture(faxPicture).has_value());
        QVERIFY(!loader.takePicture(faxPicture).has_value());
        QCOMPARE(log.started(), QStringList{faxPicture});    // asked three times, read once
    }

    // The main thread asks for a picture while the helper is reading it: it waits for that read
    // and gets its result, whether the read ends before or after it asks.
    void waitsForThePictureBeingRead()
    {
        RecordingReader log(faxPicture);
        BackgroundLoader loader(log.reader());
        loader.requestPicture(faxPicture);
        QVERIFY(log.waitUntilStarted(faxPicture));
        std::thread releaser([&log] { log.release(); });
        const std::optional<QImage> image = loader.takePicture(faxPicture);
        releaser.join();
        QVERIFY(image.has_value());
        QCOMPARE(*image, readImage(faxPicture));
        QCOMPARE(log.started(), QStringList{faxPicture});
    }

    // A picture still queued behind another is the caller's to read: it leaves the queue, and
    // the helper never reads it.
    void leavesQueuedPictureToTheCaller()
    {
        RecordingReader log(faxPicture);
        {
            BackgroundLoader loader(log.reader());
            loader.requestPicture(faxPicture);
            loader.requestPicture(scannerPicture);
            QVERIFY(log.waitUntilStarted(faxPicture));
            QVERIFY(!loader.takePicture(scannerPicture).has_value());
            log.release();
            QVERIFY(loader.takePicture(faxPicture).has_value());
        }
        QCOMPARE(log.started(), QStringList{faxPicture});
    }

    // Ending with work queued finishes the picture in hand and drops the rest.
    void endsWithWorkQueued()
    {
        RecordingReader log(faxPicture);
        std::thread releaser;
        {
            BackgroundLoader loader(log.reader());
            for (const QString &file : {faxPicture, scannerPicture, copierPicture, banner})
                loader.requestPicture(file);
            QVERIFY(log.waitUntilStarted(faxPicture));
            // The picture in hand is released only once the loader has begun to end (it
            // clears instance() first), or the helper might go on through the whole queue.
            releaser = std::thread([&log] {
                while (BackgroundLoader::instance() != nullptr)
                    std::this_thread::yield();
                log.release();
            });
        }
        releaser.join();
        QCOMPARE(BackgroundLoader::instance(), nullptr);
        QCOMPARE(log.started().value(0), faxPicture);
        QVERIFY(log.started().size() < 4);
    }

    // A picture button draws the same pixels whether the helper read its picture or the main
    // thread did, at its place and at the ratio of the screen.
    void buttonDrawsTheSamePicture()
    {
        auto draw = [] {
            auto button = std::make_unique<forms::detail::PictureButton>(nullptr);
            button->resize(81, 76);
            button->setText(QStringLiteral("&Scanner"));
            button->setGraphical(true);
            button->setPicture(scannerPicture);
            return button;
        };

        const QImage direct = draw()->grab().toImage();

        QPixmapCache::clear();
        RecordingReader log;
        BackgroundLoader loader(log.reader());
        auto button = draw();
        QVERIFY(log.waitUntilStarted(scannerPicture));    // the helper reads it, not the paint
        const QImage loaded = button->grab().toImage();
        QCOMPARE(loaded, direct);
        QVERIFY(!loader.takePicture(scannerPicture).has_value());    // the paint took it
    }
};

QTEST_MAIN(BackgroundLoaderTest)
#include "tst_backgroundloader.moc"
