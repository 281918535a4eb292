#pragma once

#include "platform/StopToken.h"

#include <QList>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

class FileSystem;

// What the container engines of this machine hold that their own prune commands free, asked of
// the engines themselves: their data belongs to a daemon (and often to root), and only the engine
// knows which of its bytes an image, a container or a build still needs. Only an engine on this
// machine is asked, Docker through a unix socket and Podman on its own storage or through a unix
// socket; one reached over the network (tcp://, ssh://, a remote connection) is left alone, so that
// a cleanup never prunes another machine. An engine that is not installed, not running, not
// accessible to this user or slower than the time limit reports nothing.
// The engines are found and asked through the file system's environment (PATH, DOCKER_HOST,
// CONTAINER_HOST and the engines' own settings), as a command run with it would find them.
class ContainerEngines {
public:
    // What one engine's prune command frees.
    enum class Pool { dockerBuildCache, dockerImages, podmanImages };

    // One pool as its engine reported it.
    struct Reading {
        Pool pool;
        // The engine's own data folder, as the engine names it.
        QString dataFolder;
        // The bytes its prune command would free now.
        qint64 reclaimable = 0;
    };

    // How long each engine has to answer.
    static constexpr std::chrono::milliseconds answerLimit{5000};

    explicit ContainerEngines(std::shared_ptr<const FileSystem> fileSystem,
                              std::chrono::milliseconds limit = answerLimit);

    // The fixed command line that frees `pool`: it names no path and nothing an engine said.
    static QString pruneCommand(Pool pool);
    // The pool that `commandLine` frees, when it is one of the prune commands.
    static std::optional<Pool> poolFreedBy(const QString& commandLine);

    // Each pool of each engine that answered, Docker's first. A stop request ends the question
    // under way and asks no other. Blocking: never call it on the GUI thread.
    QList<Reading> read(const StopToken& stop) const;
    // What `pool` holds now; nothing when its engine does not answer. Blocking.
    std::optional<qint64> reclaimable(Pool pool, const StopToken& stop) const;

private:
    QList<Reading> readDocker(const StopToken& stop) const;
    QList<Reading> readPodman(const StopToken& stop) const;
    // Whether podman has a store, or settings that place one, where this user's podman looks.
    // Any podman command makes its store when there is none (as root, with a mount), and a scan
    // changes nothing: a podman never used here is not asked.
    bool podmanHasStore() const;

    std::shared_ptr<const FileSystem> m_fileSystem;
    std::chrono::milliseconds m_limit;
};
