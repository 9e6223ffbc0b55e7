#include "ScanConnections.h"

#include "AppError.h"
#include "Platform.h"
#include "SqliteErrors.h"

#include <QUrl>
#include <algorithm>
#include <exception>
#include <sqlite3.h>
#include <thread>

namespace {

// The engine asks after so many of its steps whether to go on: a few
// thousand steps are a few dozen goods.
constexpr int kStepsBetweenChecks = 4096;

bool execute(sqlite3 *engine, const char *sql)
{
    return sqlite3_exec(engine, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

} // namespace

ScanConnections::ScanConnections(const QString &file, int count, qint64 mappedBytes)
    : m_file(file), m_identity(Platform::fileIdentity(file))
{
    // Read-only, so that the file is never created or changed from here.
    const QByteArray uri =
        (QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=ro"))
            .toUtf8();
    for (int i = 0; i < count; ++i) {
        auto reader = std::make_unique<Reader>();
        // Each connection serves one thread at a time, handed over by the
        // start and the end of a thread, so the engine's own locks would
        // only cost time.
        const int opened =
            sqlite3_open_v2(uri.constData(), &reader->engine,
                            SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
        if (opened != SQLITE_OK) {
            const QString reason = SqliteErrors::reason(
                opened,
                reader->engine ? QString::fromUtf8(sqlite3_errmsg(reader->engine)) : QString());
            sqlite3_close(reader->engine);
            close();
            throw AppError(QStringLiteral("Не удалось открыть базу данных: %1.").arg(reason), file);
        }
        execute(reader->engine,
                QStringLiteral("PRAGMA mmap_size = %1").arg(mappedBytes).toLatin1().constData());
        sqlite3_progress_handler(
            reader->engine, kStepsBetweenChecks,
            [](void *cancelled) -> int {
                return static_cast<std::atomic<bool> *>(cancelled)->load(std::memory_order_relaxed)
                           ? 1
                           : 0;
            },
            &reader->cancelled);
        m_readers.push_back(std::move(reader));
    }
}

ScanConnections::~ScanConnections()
{
    close();
}

void ScanConnections::close()
{
    for (const auto &reader : m_readers)
        sqlite3_close(reader->engine);
    m_readers.clear();
}

bool ScanConnections::read(const QString &path) const
{
    return path == m_file && Platform::fileIdentity(path) == m_identity;
}

bool ScanConnections::beginReads(int count)
{
    for (int i = 0; i < count && i < this->count(); ++i) {
        Reader &reader = *m_readers[size_t(i)];
        // Reading the schema's first row takes the lock; the connection
        // waits for nobody, having no busy timeout.
        reader.reading = execute(reader.engine, "BEGIN");
        if (!reader.reading || !execute(reader.engine, "SELECT 1 FROM sqlite_schema LIMIT 1")) {
            endReads();
            return false;
        }
    }
    return true;
}

void ScanConnections::endReads()
{
    for (const auto &reader : m_readers) {
        if (reader->reading)
            execute(reader->engine, "COMMIT");
        reader->reading = false;
    }
}

void ScanConnections::run(int parts, sqlite3 *own,
                          const std::function<void(int part, sqlite3 *engine)> &read)
{
    std::vector<std::exception_ptr> failures(static_cast<size_t>(parts));
    for (const auto &reader : m_readers)
        reader->cancelled = false;
    const auto readPart = [&](int part, sqlite3 *engine) {
        try {
            read(part, engine);
        } catch (...) {
            // A part stopped on purpose fails as the engine is interrupted.
            if (part == 0 || !m_readers[size_t(part - 1)]->cancelled) {
                failures[size_t(part)] = std::current_exception();
                // What the other parts find is of no use now.
                cancelAbove(-1);
            }
        }
    };
    std::vector<std::thread> threads;
    threads.reserve(size_t(parts));
    for (int part = 1; part < parts; ++part)
        threads.emplace_back(readPart, part, m_readers[size_t(part - 1)]->engine);
    readPart(0, own);
    for (std::thread &thread : threads)
        thread.join();
    for (const std::exception_ptr &failure : failures)
        if (failure)
            std::rethrow_exception(failure);
}

void ScanConnections::cancelAbove(int part)
{
    for (int i = std::max(part, 0); i < count(); ++i)
        m_readers[size_t(i)]->cancelled = true;
}
