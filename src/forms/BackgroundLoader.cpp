#include "BackgroundLoader.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QImageReader>

#include <algorithm>
#include <atomic>

namespace forms::detail {

QImage readImage(const QString &file)
{
    QFile device(file);
    if (!device.open(QIODevice::ReadOnly))
        return {};
    // The format comes from the name: Qt's own detection first offers the file to every
    // installed image plugin, which for one bitmap loads a dozen plugins and their libraries.
    QImageReader reader(&device, QFileInfo(file).suffix().toLower().toLatin1());
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

namespace {
std::atomic<BackgroundLoader *> current{nullptr};
}

BackgroundLoader::BackgroundLoader(ImageReader reader)
    : m_reader(std::move(reader))
{
    m_thread = std::thread([this] { run(); });
    current = this;
}

BackgroundLoader::~BackgroundLoader()
{
    current = nullptr;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_work.notify_all();
    m_thread.join();
}

BackgroundLoader *BackgroundLoader::instance()
{
    return current;
}

void BackgroundLoader::requestPicture(const QString &file)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping || !m_entries.try_emplace(file).second)
            return;
        m_queue.push_back(file);
    }
    m_work.notify_one();
}

std::optional<QImage> BackgroundLoader::takePicture(const QString &file)
{
    std::unique_lock lock(m_mutex);
    const auto entry = m_entries.find(file);
    if (entry == m_entries.end())
        return std::nullopt;
    if (entry->second.state == State::Queued) {
        m_queue.erase(std::find(m_queue.begin(), m_queue.end(), file));
        m_entries.erase(entry);
        return std::nullopt;
    }
    // Only this thread removes entries, so the one being decoded stays where it is.
    m_decoded.wait(lock, [&] { return entry->second.state == State::Done; });
    QImage image = std::move(entry->second.image);
    m_entries.erase(entry);
    return image;
}

void BackgroundLoader::run()
{
    QFontDatabase::families();    // reads the font configuration and fills the database

    std::unique_lock lock(m_mutex);
    for (;;) {
        m_work.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_stopping)
            return;
        const QString file = m_queue.front();
        m_queue.pop_front();
        Entry &entry = m_entries.at(file);
        entry.state = State::Decoding;
        lock.unlock();
        QImage image = m_reader(file);
        lock.lock();
        entry.image = std::move(image);
        entry.state = State::Done;
        m_decoded.notify_all();
    }
}

} // namespace forms::detail
