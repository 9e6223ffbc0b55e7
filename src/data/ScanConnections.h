#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

struct sqlite3;

// Read-only connections of their own to a catalogue file, so that a search
// that reads the key of every good can be shared out among the processor's
// cores: each connection reads a range of row keys in a thread of its own
// while the caller's connection reads the first range. The engine's time
// goes to the work on each row, not to reading pages, so the ranges end
// sooner side by side than one after the other.
class ScanConnections {
public:
    // count connections to file, each mapping up to mappedBytes of it into
    // memory as the caller's connection does; throws AppError naming the
    // file when one cannot be opened.
    ScanConnections(const QString &file, int count, qint64 mappedBytes);
    ~ScanConnections();
    ScanConnections(const ScanConnections &) = delete;
    ScanConnections &operator=(const ScanConnections &) = delete;

    int count() const { return int(m_readers.size()); }
    // Whether they read the file that path names now, and not one that a
    // copy or an update has since put in its place.
    bool read(const QString &path) const;

    // Begins a read on the first count connections, each taking the file's
    // shared lock in turn. While the caller's own connection holds its lock
    // too, no other program can commit, so all of them read the catalogue
    // as it is at one moment. False, with no read begun, when one cannot
    // take the lock at once (another program is about to commit): the
    // caller then searches alone, waiting as its connection waits.
    bool beginReads(int count);
    void endReads();

    // Runs read(part, engine) for parts 0 to parts - 1 at once: part 0 on
    // the calling thread with own, the caller's connection, part i on
    // connection i - 1 in a thread of its own, whose read must have begun.
    // Returns once every part has ended; a failure of a part that was not
    // cancelled is thrown then, the lowest part's first.
    void run(int parts, sqlite3 *own, const std::function<void(int part, sqlite3 *engine)> &read);
    // Stops the parts above part at the engine's next step, from any
    // thread: the ranges below hold all the caller wants.
    void cancelAbove(int part);

private:
    struct Reader {
        sqlite3 *engine = nullptr;
        std::atomic<bool> cancelled{false};
        bool reading = false;
    };
    void close();

    QString m_file;
    QByteArray m_identity;
    std::vector<std::unique_ptr<Reader>> m_readers;
};
