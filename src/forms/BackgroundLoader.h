// Reading that the first frame of a window needs but that need not hold up the main thread.
// Internal to the forms runtime.
//
// While the main thread makes the start-up window and shows it, a helper thread fills Qt's font
// database (reading the font configuration is the largest part of showing any text at start-up;
// Qt guards the database with its own lock, so a main thread that needs it first waits for it
// instead of reading it twice) and then decodes the pictures that windows name, in the order
// they name them. The main thread takes a decoded picture when it draws it. A picture that the
// helper has not started on by then the main thread reads itself, so it never waits for work
// queued behind other work.
#pragma once

#include <QImage>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace forms::detail {

// A picture file read in the format that its name ends in; a null image when it cannot be.
QImage readImage(const QString &file);

class BackgroundLoader
{
public:
    using ImageReader = std::function<QImage(const QString &file)>;

    // Starts the helper thread. The application object must exist and outlive the loader.
    // While a loader exists, instance() returns it.
    explicit BackgroundLoader(ImageReader reader = readImage);
    // Drops the pictures not started, finishes the one in hand and ends the thread.
    ~BackgroundLoader();
    BackgroundLoader(const BackgroundLoader &) = delete;
    BackgroundLoader &operator=(const BackgroundLoader &) = delete;

    static BackgroundLoader *instance();

    // Queues a picture file for decoding; a file already queued or decoded is not queued again.
    void requestPicture(const QString &file);
    // The decoded picture for file, handed over once: waits while the helper is decoding it.
    // Nothing when it was never requested, was taken already, or is still queued; a queued file
    // leaves the queue, and the caller reads it itself.
    std::optional<QImage> takePicture(const QString &file);

private:
    enum class State { Queued, Decoding, Done };
    struct Entry
    {
        State state = State::Queued;
        QImage image;
    };

    void run();

    ImageReader m_reader;
    std::mutex m_mutex;
    std::condition_variable m_work;     // a file queued, or the loader is going
    std::condition_variable m_decoded;  // a picture finished decoding
    std::map<QString, Entry> m_entries;
    std::deque<QString> m_queue;
    bool m_stopping = false;
    std::thread m_thread;               // last: it starts once everything above exists
};

} // namespace forms::detail
