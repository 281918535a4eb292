#include "platform/ContainerEngines.h"

#include "platform/FileSystem.h"
#include "platform/ProgramOutput.h"
#include "platform/UnixSocketHttp.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <utility>

#include <unistd.h>

namespace {

using Pool = ContainerEngines::Pool;

// The commands, fixed texts that the cleanup runs through the shell. `--all` takes every unused
// record or image, not only dangling ones; `--force` answers the question the command would ask.
struct PruneCommand {
    Pool pool;
    const char* line;
};
constexpr PruneCommand pruneCommands[] = {
    {Pool::dockerBuildCache, "docker builder prune --all --force"},
    {Pool::dockerImages, "docker image prune --all --force"},
    {Pool::podmanImages, "podman image prune --all --force"},
};

const char* const unixScheme = "unix://";

std::optional<QJsonDocument> jsonOf(const std::optional<QByteArray>& text) {
    if (!text) {
        return std::nullopt;
    }
    QJsonParseError error{};
    QJsonDocument document = QJsonDocument::fromJson(*text, &error);
    if (error.error != QJsonParseError::NoError) {
        return std::nullopt;
    }
    return document;
}

// The build cache that its prune frees: records that no build uses and no image shares. A shared
// record's bytes are an image's layer, which stays as long as the image does; the prune still
// counts them in the total it prints.
qint64 dockerBuildCache(const QJsonArray& records) {
    qint64 bytes = 0;
    for (const QJsonValue& value : records) {
        const QJsonObject record = value.toObject();
        if (!record.value(QLatin1String("InUse")).toBool() &&
            !record.value(QLatin1String("Shared")).toBool()) {
            bytes += std::max<qint64>(record.value(QLatin1String("Size")).toInteger(), 0);
        }
    }
    return bytes;
}

// The image layers that their prune frees: every layer but those of images that containers use
// and those that build cache records hold. Which layer each of them holds is not reported, so
// both are taken whole; where they overlap, the figure is below what the prune frees, never above.
qint64 dockerImages(const QJsonObject& usage) {
    qint64 kept = 0;
    for (const QJsonValue& value : usage.value(QLatin1String("Images")).toArray()) {
        const QJsonObject image = value.toObject();
        if (image.value(QLatin1String("Containers")).toInteger() != 0) {
            kept += std::max<qint64>(image.value(QLatin1String("Size")).toInteger(), 0);
        }
    }
    for (const QJsonValue& value : usage.value(QLatin1String("BuildCache")).toArray()) {
        const QJsonObject record = value.toObject();
        if (record.value(QLatin1String("Shared")).toBool()) {
            kept += std::max<qint64>(record.value(QLatin1String("Size")).toInteger(), 0);
        }
    }
    return std::max<qint64>(usage.value(QLatin1String("LayersSize")).toInteger() - kept, 0);
}

// One image as its layers make it up: for each layer, a key that names it with every layer below
// it (images share a layer exactly when they share it and all below), and the bytes of the image.
struct LayeredImage {
    QStringList chain;
    qint64 size = 0;
    bool used = false;
};

// What the engine says each layer key holds: the size of an image that ends there (the layers up
// to it), and the least size of the images that pass through it (at least what lies up to it).
struct LayerSizes {
    QHash<QString, qint64> endingAt;
    QHash<QString, qint64> leastThrough;

    explicit LayerSizes(const QList<LayeredImage>& images) {
        for (const LayeredImage& image : images) {
            const QString& top = image.chain.last();
            endingAt[top] = std::min(endingAt.value(top, image.size), image.size);
            for (const QString& key : image.chain) {
                leastThrough[key] = std::min(leastThrough.value(key, image.size), image.size);
            }
        }
    }

    // Bytes of the layers up to chain[depth - 1]. Where no image ends there, the most they can
    // be, or with `least` the least: the size of the nearest image that ends below.
    qint64 upTo(const QStringList& chain, qsizetype depth, bool least) const {
        const QString& key = chain[depth - 1];
        if (const auto known = endingAt.constFind(key); known != endingAt.cend()) {
            return *known;
        }
        if (!least) {
            return leastThrough.value(key);
        }
        for (qsizetype below = depth - 1; below > 0; --below) {
            if (const auto known = endingAt.constFind(chain[below - 1]); known != endingAt.cend()) {
                return *known;
            }
        }
        return 0;
    }
};

// Bytes of the layers that `images` hold between them, each counted once: every image adds what
// it holds above the layers already counted. With `atMost` the figure is never below the truth,
// otherwise never above it.
qint64 layersOf(QList<LayeredImage> images, const LayerSizes& sizes, bool atMost) {
    std::stable_sort(images.begin(), images.end(),
                     [](const auto& a, const auto& b) { return a.chain.size() > b.chain.size(); });
    QSet<QString> counted;
    qint64 bytes = 0;
    for (const LayeredImage& image : std::as_const(images)) {
        qsizetype depth = image.chain.size();
        while (depth > 0 && !counted.contains(image.chain[depth - 1])) {
            --depth;
        }
        if (depth == image.chain.size()) {
            continue;
        }
        const qint64 below = depth == 0 ? 0 : sizes.upTo(image.chain, depth, atMost);
        bytes += std::max<qint64>(image.size - below, 0);
        for (const QString& key : image.chain) {
            counted.insert(key);
        }
    }
    return bytes;
}

// The layers that Podman's prune frees: those of images that no container uses and that no
// image a container uses shares. Podman's own figure counts a shared layer once per image.
std::optional<qint64> podmanImages(const QJsonArray& listed, const QJsonArray& inspected) {
    QHash<QString, bool> used;
    for (const QJsonValue& value : listed) {
        const QJsonObject image = value.toObject();
        used.insert(image.value(QLatin1String("Id")).toString(),
                    image.value(QLatin1String("Containers")).toInteger() != 0);
    }
    QList<LayeredImage> images;
    for (const QJsonValue& value : inspected) {
        const QJsonObject image = value.toObject();
        const auto known = used.constFind(image.value(QLatin1String("Id")).toString());
        if (known == used.cend()) {
            // An image came between the two questions.
            return std::nullopt;
        }
        LayeredImage layered{
            .chain = {}, .size = image.value(QLatin1String("Size")).toInteger(), .used = *known};
        QString key;
        const QJsonArray layers = image.value(QLatin1String("RootFS"))
                                      .toObject()
                                      .value(QLatin1String("Layers"))
                                      .toArray();
        for (const QJsonValue& layer : layers) {
            key += QLatin1Char('/') + layer.toString();
            layered.chain.append(key);
        }
        if (!layered.chain.isEmpty()) {
            images.append(std::move(layered));
        }
    }
    const LayerSizes sizes(images);
    QList<LayeredImage> inUse = images;
    inUse.removeIf([](const LayeredImage& image) { return !image.used; });
    return std::max<qint64>(layersOf(images, sizes, false) - layersOf(inUse, sizes, true), 0);
}

// The socket of a local daemon from an endpoint such as "unix:///var/run/docker.sock"; empty for
// any other (tcp://, ssh://, npipe://).
QString localSocket(const QString& endpoint) {
    if (!endpoint.startsWith(QLatin1String(unixScheme))) {
        return {};
    }
    const QString path = endpoint.mid(qsizetype(qstrlen(unixScheme)));
    return path.startsWith(QLatin1Char('/')) ? path : QString();
}

} // namespace

ContainerEngines::ContainerEngines(std::shared_ptr<const FileSystem> fileSystem,
                                   std::chrono::milliseconds limit)
    : m_fileSystem(std::move(fileSystem))
    , m_limit(limit) {}

QString ContainerEngines::pruneCommand(Pool pool) {
    for (const PruneCommand& command : pruneCommands) {
        if (command.pool == pool) {
            return QString::fromLatin1(command.line);
        }
    }
    Q_UNREACHABLE();
    return {};
}

std::optional<ContainerEngines::Pool> ContainerEngines::poolFreedBy(const QString& commandLine) {
    for (const PruneCommand& command : pruneCommands) {
        if (commandLine == QLatin1String(command.line)) {
            return command.pool;
        }
    }
    return std::nullopt;
}

QList<ContainerEngines::Reading> ContainerEngines::read(const StopToken& stop) const {
    QList<Reading> readings = readDocker(stop);
    if (!stop.stopRequested()) {
        readings += readPodman(stop);
    }
    return readings;
}

std::optional<qint64> ContainerEngines::reclaimable(Pool pool, const StopToken& stop) const {
    const QList<Reading> readings =
        pool == Pool::podmanImages ? readPodman(stop) : readDocker(stop);
    for (const Reading& reading : readings) {
        if (reading.pool == pool) {
            return reading.reclaimable;
        }
    }
    return std::nullopt;
}

QList<ContainerEngines::Reading> ContainerEngines::readDocker(const StopToken& stop) const {
    const QString docker = m_fileSystem->executablePath(QStringLiteral("docker"));
    if (docker.isEmpty()) {
        return {};
    }
    const QDeadlineTimer deadline(m_limit);
    // The daemon that a docker command reaches, as the client itself resolves it: DOCKER_HOST,
    // DOCKER_CONTEXT, the current context of its settings, or its default socket.
    const auto endpoint =
        programOutput(docker,
                      {QStringLiteral("context"), QStringLiteral("inspect"),
                       QStringLiteral("--format"), QStringLiteral("{{.Endpoints.docker.Host}}")},
                      m_fileSystem->processEnvironment(), deadline, stop);
    const QString socket =
        localSocket(QString::fromUtf8(endpoint.value_or(QByteArray())).trimmed());
    if (socket.isEmpty()) {
        return {};
    }
    const auto info = jsonOf(unixSocketGet(socket, "/info", deadline, stop));
    // Daemons that know the types compute only these; older ones answer everything.
    const auto usage =
        jsonOf(unixSocketGet(socket, "/system/df?type=image&type=build-cache", deadline, stop));
    if (!info || !usage || !info->isObject() || !usage->isObject()) {
        return {};
    }
    const QString root = info->object().value(QLatin1String("DockerRootDir")).toString();
    const QJsonObject figures = usage->object();
    return {{Pool::dockerBuildCache, root,
             dockerBuildCache(figures.value(QLatin1String("BuildCache")).toArray())},
            {Pool::dockerImages, root, dockerImages(figures)}};
}

bool ContainerEngines::podmanHasStore() const {
    const FileSystem& system = *m_fileSystem;
    if (!system.environmentVariable(QStringLiteral("CONTAINERS_STORAGE_CONF")).isEmpty() ||
        !system.environmentVariable(QStringLiteral("CONTAINER_HOST")).isEmpty()) {
        return true;
    }
    // Where a user's podman keeps its settings and its store by default.
    const QString home = system.homePath();
    const auto userFolder = [&](const QString& variable, const char* inHome) {
        const QString named = system.environmentVariable(variable);
        return named.startsWith(QLatin1Char('/')) ? named
               : home.isEmpty()                   ? QString()
                                                  : home + QLatin1String(inHome);
    };
    QStringList places{QStringLiteral("/etc/containers/storage.conf")};
    if (::geteuid() == 0) {
        places.append(QStringLiteral("/var/lib/containers/storage"));
    } else {
        const QString config = userFolder(QStringLiteral("XDG_CONFIG_HOME"), "/.config");
        const QString data = userFolder(QStringLiteral("XDG_DATA_HOME"), "/.local/share");
        if (!config.isEmpty() && !data.isEmpty()) {
            places += {config + QLatin1String("/containers/storage.conf"),
                       data + QLatin1String("/containers/storage")};
        }
    }
    return std::any_of(places.cbegin(), places.cend(),
                       [&](const QString& place) { return system.fileExists(place); });
}

QList<ContainerEngines::Reading> ContainerEngines::readPodman(const StopToken& stop) const {
    const QString podman = m_fileSystem->executablePath(QStringLiteral("podman"));
    if (podman.isEmpty() || !podmanHasStore()) {
        return {};
    }
    const QDeadlineTimer deadline(m_limit);
    const QProcessEnvironment environment = m_fileSystem->processEnvironment();
    const auto ask = [&](const QStringList& arguments) {
        return jsonOf(programOutput(podman, arguments, environment, deadline, stop));
    };
    const auto info =
        ask({QStringLiteral("info"), QStringLiteral("--format"), QStringLiteral("json")});
    if (!info || !info->isObject()) {
        return {};
    }
    // A podman that talks to a service elsewhere is local only through a unix socket named here;
    // its saved connections may lead to another machine.
    const QJsonObject host = info->object().value(QLatin1String("host")).toObject();
    if (host.value(QLatin1String("serviceIsRemote")).toBool() &&
        localSocket(m_fileSystem->environmentVariable(QStringLiteral("CONTAINER_HOST")))
            .isEmpty()) {
        return {};
    }
    const QString root = info->object()
                             .value(QLatin1String("store"))
                             .toObject()
                             .value(QLatin1String("graphRoot"))
                             .toString();
    const auto listed = ask({QStringLiteral("images"), QStringLiteral("--all"),
                             QStringLiteral("--format"), QStringLiteral("json")});
    if (!listed || !listed->isArray()) {
        return {};
    }
    // Identifiers go to the program as arguments, never through a shell; only plain ones go.
    static const QRegularExpression plainId(QStringLiteral("^[0-9a-f]{12,64}$"));
    QStringList inspect{QStringLiteral("image"), QStringLiteral("inspect")};
    for (const QJsonValue& image : listed->array()) {
        const QString id = image.toObject().value(QLatin1String("Id")).toString();
        if (!plainId.match(id).hasMatch()) {
            return {};
        }
        inspect.append(id);
    }
    inspect.removeDuplicates();
    std::optional<qint64> bytes = 0;
    if (inspect.size() > 2) {
        const auto inspected = ask(inspect);
        bytes = inspected && inspected->isArray()
                    ? podmanImages(listed->array(), inspected->array())
                    : std::nullopt;
    }
    if (!bytes) {
        return {};
    }
    return {{Pool::podmanImages, root, *bytes}};
}
