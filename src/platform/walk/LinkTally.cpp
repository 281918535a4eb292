#include "platform/walk/LinkTally.h"

#include <algorithm>
#include <limits>

qint64 LinkTally::countedBytes(const struct stat& info) {
    if (info.st_nlink <= 1) {
        return allocatedBytes(info);
    }
    const Key key{info.st_dev, info.st_ino};
    Shard& shard = m_shards[KeyHash()(key) % m_shards.size()];
    std::lock_guard lock(shard.mutex);
    Met& met = shard.files[key];
    constexpr nlink_t most = std::numeric_limits<quint32>::max();
    met.links = std::max(met.links, static_cast<quint32>(std::min(info.st_nlink, most)));
    if (++met.met < met.links) {
        return 0;
    }
    shard.files.erase(key);
    return allocatedBytes(info);
}
