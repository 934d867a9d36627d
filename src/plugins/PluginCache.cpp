#include "plugins/PluginCache.h"

#include <QFile>
#include <QList>

#include <mutex>
#include <sys/stat.h>

namespace plugins {
namespace {

struct Stamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    qint64 changedNs = 0;
    qint64 modifiedNs = 0;
    bool operator==(const Stamp&) const = default;
};

struct Cached {
    QString path;
    Stamp stamp;
    std::shared_ptr<const PluginFile> plugin;
};

constexpr int kKept = 4;

std::mutex g_lock;
QList<Cached> g_cache; // most recently used first

bool stampOf(const QString& path, Stamp& stamp) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.changedNs = qint64(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec;
    stamp.modifiedNs = qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    return true;
}

} // namespace

std::shared_ptr<const PluginFile> cachedPlugin(const QString& path) {
    Stamp stamp;
    if (!stampOf(path, stamp))
        return std::make_shared<const PluginFile>(loadPlugin(path));
    std::lock_guard guard(g_lock);
    for (qsizetype i = 0; i < g_cache.size(); ++i) {
        if (g_cache.at(i).path == path && g_cache.at(i).stamp == stamp) {
            g_cache.move(i, 0);
            return g_cache.first().plugin;
        }
    }
    auto plugin = std::make_shared<const PluginFile>(loadPlugin(path));
    g_cache.removeIf([&](const Cached& c) { return c.path == path; });
    g_cache.prepend(Cached{path, stamp, plugin});
    while (g_cache.size() > kKept)
        g_cache.removeLast();
    return plugin;
}

void clearPluginCache() {
    std::lock_guard guard(g_lock);
    g_cache.clear();
}

} // namespace plugins
