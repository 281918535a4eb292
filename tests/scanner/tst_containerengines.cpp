#include "cleaner/Cleaner.h"
#include "platform/ContainerEngines.h"
#include "platform/FileSystem.h"
#include "platform/ProcessLauncher.h"
#include "platform/ProgramOutput.h"
#include "platform/UnixSocketHttp.h"
#include "scanner/Scanner.h"
#include "support/Processes.h"

#include <QCoroTask>
#include <QDirIterator>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <thread>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

using Environment = QHash<QString, QString>;
using namespace std::chrono_literals;

// A fake system holding `environment`, its values as the system's bytes.
std::shared_ptr<FileSystem> systemWith(const QString& root, const QString& home,
                                       const Environment& environment) {
    QHash<QString, QByteArray> bytes;
    for (auto entry = environment.cbegin(); entry != environment.cend(); ++entry) {
        bytes.insert(entry.key(), entry.value().toUtf8());
    }
    return FileSystem::rooted(root, home, bytes);
}

void writeFile(const QString& path, const QByteArray& content, bool executable = false) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    if (executable) {
        file.setPermissions(file.permissions() | QFile::ExeOwner);
    }
}

// Takes from the calling thread the rights by which root opens any file, so that a socket closed
// to other users is closed to it too. Only this thread loses them.
void dropFileRights() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    ::syscall(SYS_capget, &header, data);
    data[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    ::syscall(SYS_capset, &header, data);
}

// What the fake daemon answers: its data folder, and its figures (see the table's rows).
const QByteArray dockerInfo = R"({"DockerRootDir": "/var/lib/docker"})";
const QByteArray dockerUsage = R"({"LayersSize": 3000,
    "Images": [{"Size": 1000, "Containers": 1}, {"Size": 2500, "Containers": 0}],
    "BuildCache": [{"Size": 400, "Shared": true}, {"Size": 70, "InUse": true}, {"Size": 5}]})";

// What `arguments` printed, run with exactly the environment of `system`; nothing when it failed.
std::optional<QByteArray> output(const QStringList& arguments, const FileSystem& system) {
    return programOutput(arguments.first(), arguments.mid(1), system.processEnvironment(),
                         QDeadlineTimer(300s), {});
}

// Runs `program` in a mount namespace of its own where `hidden` is an empty folder, so that what
// the engine writes there (Podman's blob cache in /var/lib, Docker's plugin folder in /run) is gone
// when it ends; the real folder is not touched.
QStringList hiding(const QString& hidden, const QStringList& program) {
    return QStringList{QStringLiteral("/usr/bin/unshare"),
                       QStringLiteral("--mount"),
                       QStringLiteral("--propagation"),
                       QStringLiteral("private"),
                       QStringLiteral("/bin/sh"),
                       QStringLiteral("-c"),
                       QStringLiteral("mount -n -t tmpfs tmpfs \"$0\" && exec \"$@\""),
                       hidden} +
           program;
}

// Everything the engines could leave outside their temporary folder, and the programs still
// running that name it.
QStringList machineState(const QString& folder) {
    QStringList seen = QDir(QStringLiteral("/run")).entryList(QDir::AllEntries | QDir::System);
    const QString home = QDir::homePath();
    for (const QString& top :
         {QStringLiteral("/var/lib/docker"), QStringLiteral("/var/lib/containers"),
          QStringLiteral("/etc/docker"), QStringLiteral("/etc/containers"),
          QStringLiteral("/etc/cni"), QStringLiteral("/run/docker"), QStringLiteral("/run/libpod"),
          QStringLiteral("/run/containers"), home + "/.docker", home + "/.config/containers",
          home + "/.local/share/containers"}) {
        QDirIterator entries(top,
                             QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                             QDirIterator::Subdirectories);
        while (entries.hasNext()) {
            seen.append(entries.next());
        }
    }
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile commandLine("/proc/" + pid + "/cmdline");
        if (commandLine.open(QIODevice::ReadOnly) &&
            commandLine.readAll().contains(folder.toUtf8())) {
            seen.append("process " + pid);
        }
    }
    QFile mounts(QStringLiteral("/proc/self/mounts"));
    if (mounts.open(QIODevice::ReadOnly) && mounts.readAll().contains(folder.toUtf8())) {
        seen.append(QStringLiteral("a mount in ") + folder);
    }
    return seen;
}

// The records of a scan that run an engine's command, by name, with their sizes.
QHash<QString, qint64> engineRecords(Scanner& scanner) {
    QHash<QString, qint64> found;
    for (const FolderItem& item : QCoro::waitFor(scanner.scanAll({}))) {
        if (item.cliCommand) {
            found.insert(item.name, item.size);
        }
    }
    return found;
}

} // namespace

class ContainerEnginesTest : public QObject {
    Q_OBJECT

private slots:
    // An engine that is missing, elsewhere, closed to this user or silent offers nothing, and no
    // program started to ask it is left running.
    void engineThatCannotAnswerOffersNothing_data() {
        QTest::addColumn<QByteArray>("docker");
        QTest::addColumn<QByteArray>("podman");
        QTest::addColumn<Environment>("environment"); // SOCKET stands for the row's socket
        QTest::addColumn<QString>("daemon"); // "answers", "silent", "locked" (answers) or none
        QTest::addColumn<bool>("stop");
        QTest::addColumn<qint64>("offered");
        // What the client prints for the daemon it would reach.
        const QByteArray client = "echo \"${DOCKER_HOST:-unix:///var/run/docker.sock}\"";
        const QByteArray hangs = "sleep 60 & printf '%s %s ' $! $$ >> \"$PIDS\"; wait";
        const QByteArray podman =
            "case \"$1\" in\n"
            "info) echo '{\"host\": {\"serviceIsRemote\": '$REMOTE'}}';;\n"
            "images) echo '[{\"Id\": \"0123456789ab\", \"Containers\": 0}]';;\n"
            "image) echo '[{\"Id\": \"0123456789ab\", \"Size\": 5000, "
            "\"RootFS\": {\"Layers\": [\"sha256:1\"]}}]';;\nesac";
        const Environment socket{{"DOCKER_HOST", "unix://SOCKET"}};
        QTest::newRow("nothing on PATH")
            << QByteArray() << QByteArray() << socket << "answers" << false << qint64(0);
        // The build cache no build uses and no image shares, and the layers of neither the image
        // a container uses nor the shared record: 5 + (3000 - 1000 - 400).
        QTest::newRow("daemon on this machine")
            << client << QByteArray() << socket << "answers" << false << qint64(1605);
        QTest::newRow("daemon over tcp")
            << client << QByteArray() << Environment{{"DOCKER_HOST", "tcp://127.0.0.1:2375"}}
            << "answers" << false << qint64(0);
        QTest::newRow("context over ssh")
            << client << QByteArray() << Environment{{"DOCKER_HOST", "ssh://me@build-box"}}
            << "answers" << false << qint64(0);
        QTest::newRow("no socket there")
            << client << QByteArray() << socket << "" << false << qint64(0);
        QTest::newRow("socket closed to this user")
            << client << QByteArray() << socket << "locked" << false << qint64(0);
        QTest::newRow("daemon that never answers")
            << client << QByteArray() << socket << "silent" << false << qint64(0);
        QTest::newRow("docker that never answers")
            << hangs << QByteArray() << Environment() << "" << false << qint64(0);
        QTest::newRow("podman that never answers")
            << QByteArray() << hangs << Environment{{"CONTAINER_HOST", "unix:///p.sock"}} << ""
            << false << qint64(0);
        const Environment local{{"REMOTE", "false"}, {"CONTAINERS_STORAGE_CONF", "/s.conf"}};
        QTest::newRow("stopped while docker hangs")
            << hangs << podman << local << "" << true << qint64(0);
        QTest::newRow("podman on this machine")
            << QByteArray() << podman << local << "" << false << qint64(5000);
        // Asked, it would make its store.
        QTest::newRow("podman never used here")
            << QByteArray() << podman << Environment{{"REMOTE", "false"}} << "" << false
            << qint64(0);
        QTest::newRow("podman reaching a service elsewhere")
            << QByteArray() << podman
            << Environment{{"REMOTE", "true"}, {"CONTAINER_HOST", "ssh://me@build-box/run/p.sock"}}
            << "" << false << qint64(0);
    }
    void engineThatCannotAnswerOffersNothing() {
        QFETCH(QByteArray, docker);
        QFETCH(QByteArray, podman);
        QFETCH(Environment, environment);
        QFETCH(QString, daemon);
        QFETCH(bool, stop);
        QFETCH(qint64, offered);
        QTemporaryDir root;
        const QString socket = root.filePath(QStringLiteral("docker.sock"));
        const QString pids = root.filePath(QStringLiteral("pids"));
        for (const auto& [name, script] : {std::pair{"docker", docker}, {"podman", podman}}) {
            if (!script.isEmpty()) {
                writeFile(root.filePath(QStringLiteral("bin/") + name),
                          "#!/bin/sh\n" + script + '\n', true);
            }
        }
        QLocalServer server;
        if (!daemon.isEmpty()) {
            QVERIFY(server.listen(socket));
            QFile(socket).setPermissions(
                daemon == u"locked" ? QFile::Permissions() : QFile::ReadOwner | QFile::WriteOwner);
        }
        QObject::connect(&server, &QLocalServer::newConnection, &server, [&] {
            QLocalSocket* client = server.nextPendingConnection();
            QObject::connect(client, &QLocalSocket::readyRead, client, [client, daemon] {
                const QByteArray request = client->peek(4096);
                if (!request.contains("\r\n\r\n") || daemon == u"silent") {
                    return;
                }
                client->write("HTTP/1.0 200 OK\r\nContent-Type: application/json\r\n\r\n" +
                              (request.startsWith("GET /info ") ? dockerInfo : dockerUsage));
                client->disconnectFromServer();
            });
        });
        environment.insert(QStringLiteral("PATH"), QStringLiteral("/bin"));
        environment.insert(QStringLiteral("PIDS"), pids);
        for (QString& value : environment) {
            value.replace(QStringLiteral("SOCKET"), socket);
        }
        const ContainerEngines engines(systemWith(root.path(), "/home/u", environment),
                                       stop ? 60s : 300ms);
        const StopToken stopping = StopToken::stoppable();
        QList<ContainerEngines::Reading> readings;
        std::atomic<bool> answered = false;
        std::thread asking([&] {
            if (daemon == u"locked") {
                dropFileRights();
            }
            readings = engines.read(stopping);
            answered = true;
        });
        if (stop) {
            QTimer::singleShot(200, &server, [&stopping] { stopping.requestStop(); });
        }
        QVERIFY(QTest::qWaitFor([&] { return answered.load(); }, 120'000));
        asking.join();
        qint64 bytes = 0;
        for (const ContainerEngines::Reading& reading : readings) {
            bytes += reading.reclaimable;
        }
        QCOMPARE(bytes, offered);
        QFile started(pids);
        QCOMPARE(started.open(QIODevice::ReadOnly), (docker + podman).contains("PIDS"));
        for (const QByteArray& pid : (started.isOpen() ? started.readAll() : "").split(' ')) {
            // Killed, it ends as soon as the system runs it again.
            QTRY_VERIFY2_WITH_TIMEOUT(pid.isEmpty() || processHasEnded(pid), pid.constData(),
                                      30'000);
        }
    }

    // Real engines, each with everything it keeps in a temporary folder: what a scan offers is
    // what the engine's own prune frees, and the engine's own report agrees afterwards.
    void realEnginesFreeWhatTheScanOffered() {
        if (::geteuid() != 0) {
            QSKIP("needs root: it starts a Docker daemon and runs Podman as root");
        }
        for (const char* program :
             {"/usr/sbin/dockerd", "/usr/bin/docker", "/usr/bin/podman", "/usr/bin/unshare"}) {
            if (!QFileInfo(QString::fromLatin1(program)).isExecutable()) {
                QSKIP(qPrintable(QStringLiteral("%1 is not installed (Debian's docker.io and "
                                                "podman: scripts/bootstrap --engines)")
                                     .arg(QLatin1String(program))));
            }
        }
        QTemporaryDir temporary;
        const QString t = temporary.path();
        const QStringList before = machineState(t);
        const QString socket = t + "/docker.sock";
        const Environment environment{{"PATH", "/usr/bin:/bin:/usr/sbin:/sbin"},
                                      {"HOME", t + "/home"},
                                      {"DOCKER_HOST", "unix://" + socket},
                                      {"DOCKER_CONFIG", t + "/docker-config"},
                                      {"DOCKER_BUILDKIT", "1"},
                                      {"CONTAINERS_CONF", t + "/containers.conf"},
                                      {"CONTAINERS_STORAGE_CONF", t + "/storage.conf"}};
        writeFile(t + "/docker.json", "{\"deprecated-key-path\": \"" + t.toUtf8() + "/key.json\"}");
        writeFile(t + "/storage.conf", "[storage]\ndriver = \"vfs\"\ngraphroot = \"" + t.toUtf8() +
                                           "/podman\"\nrunroot = \"" + t.toUtf8() +
                                           "/podman-run\"\n");
        writeFile(t + "/containers.conf",
                  "[engine]\ntmp_dir = \"" + t.toUtf8() + "/podman-tmp\"\nstatic_dir = \"" +
                      t.toUtf8() + "/podman/libpod\"\nvolume_path = \"" + t.toUtf8() +
                      "/podman/volumes\"\nevents_logger = \"none\"\n[network]\n"
                      "network_config_dir = \"" +
                      t.toUtf8() + "/podman-net\"\n");

        QProcess daemon;
        const auto fileSystem = systemWith("/", t + "/home", environment);
        daemon.setProcessEnvironment(fileSystem->processEnvironment());
        daemon.setStandardOutputFile(t + "/dockerd.log");
        daemon.setStandardErrorFile(t + "/dockerd.log");
        const QStringList dockerd = hiding(
            "/run", {"/usr/sbin/dockerd", "--config-file", t + "/docker.json",
                     "--storage-driver=vfs", "--iptables=false", "--ip6tables=false",
                     "--bridge=none", "--data-root", t + "/docker", "--exec-root",
                     t + "/docker-exec", "-H", "unix://" + socket, "--pidfile", t + "/docker.pid"});
        daemon.start(dockerd.first(), dockerd.mid(1));
        const auto stopTheDaemon = [&] {
            daemon.terminate();
            if (!daemon.waitForFinished(60'000)) {
                daemon.kill();
                daemon.waitForFinished(-1);
            }
        };
        auto stopDaemon = qScopeGuard(stopTheDaemon);
        while (unixSocketGet(socket, "/_ping", QDeadlineTimer(1s), {}) != "OK") {
            if (daemon.waitForFinished(500)) {
                QFile log(t + "/dockerd.log");
                log.open(QIODevice::ReadOnly);
                QSKIP(qPrintable("dockerd did not start here: " + log.readAll().right(400)));
            }
        }

        // A generated file of 20 MB in two builds each: the second adds a small layer.
        QByteArray random(20'000'000, '\0');
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(random.data()),
                                              random.size() / 4);
        writeFile(t + "/build/blob", random);
        writeFile(t + "/used/small", random.first(1'000'000));
        writeFile(t + "/used/Dockerfile", "FROM scratch\nCOPY small /small\n");
        const QString build = t + "/build";
        const QStringList podmanBuild = hiding(
            "/var/lib", {"/usr/bin/podman", "build", "-q", "-t", "kestrelle-used", t + "/used"});
        QVERIFY(output(podmanBuild, *fileSystem));
        QVERIFY(output(
            {"/usr/bin/podman", "create", "--name", "kestrelle-keeps", "kestrelle-used", "/small"},
            *fileSystem));
        for (const char* dockerfile : {"FROM scratch\nCOPY blob /blob\n",
                                       "FROM scratch\nCOPY blob /blob\nCOPY Dockerfile /d\n"}) {
            writeFile(build + "/Dockerfile", dockerfile);
            QVERIFY(output({"/usr/bin/docker", "build", "-q", build}, *fileSystem));
            QVERIFY(
                output(hiding("/var/lib", {"/usr/bin/podman", "build", "-q", build}), *fileSystem));
        }

        // The scan asks the engines through the environment it is given; the clean runs the
        // commands with the program's own.
        QHash<QByteArray, std::optional<QByteArray>> saved;
        for (auto variable = environment.cbegin(); variable != environment.cend(); ++variable) {
            const QByteArray name = variable.key().toLatin1();
            saved.insert(name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name))
                                                               : std::nullopt);
            qputenv(name, variable.value().toUtf8());
        }
        const auto restore = qScopeGuard([&] {
            for (auto variable = saved.cbegin(); variable != saved.cend(); ++variable) {
                *variable ? qputenv(variable.key(), **variable) : qunsetenv(variable.key());
            }
        });
        Scanner scanner(fileSystem);
        Cleaner cleaner(fileSystem, ProcessLauncher::system());
        const auto clean = [&](const QHash<QString, qint64>& offered) {
            QList<FolderItem> items = QCoro::waitFor(scanner.scanAll({}));
            items.removeIf([](const FolderItem& item) { return !item.cliCommand; });
            for (FolderItem& item : items) {
                item.isSelected = true;
            }
            const CleanupResult result = QCoro::waitFor(cleaner.clean(items, {}));
            QCOMPARE(result.succeededCount, offered.size());
            QVERIFY(result.errors.isEmpty());
            qint64 sum = 0;
            for (qint64 size : offered) {
                sum += size;
            }
            QVERIFY2(std::abs(result.totalFreed - sum) <= sum / 100,
                     qPrintable(QString::number(result.totalFreed)));
        };
        // 20 MB each, within 1 %: Podman's layers shared by two images count once, the image
        // a container uses not at all; the cache holds the Docker images' layers, so removing the
        // images would free nothing yet.
        const QHash<QString, qint64> offered = engineRecords(scanner);
        QCOMPARE(offered.keys().size(), 2);
        for (const char* name : {"Docker Build Cache", "Podman Unused Images"}) {
            QVERIFY2(std::abs(offered.value(QLatin1String(name)) - 20'000'000) <= 200'000, name);
        }
        clean(offered);
        QVERIFY(
            output({"/usr/bin/docker", "system", "df", "--format", "{{.Type}} {{.Reclaimable}}"},
                   *fileSystem)
                .value_or("")
                .contains("Build Cache 0B\n"));
        QCOMPARE(output({"/usr/bin/podman", "images", "--all", "--quiet"}, *fileSystem)
                     .value_or("")
                     .count('\n'),
                 1);
        QCOMPARE(output({"/usr/bin/podman", "ps", "--all", "--quiet"}, *fileSystem)
                     .value_or("")
                     .count('\n'),
                 1);

        // Without the cache the images' layers are theirs alone.
        const QHash<QString, qint64> images = engineRecords(scanner);
        QCOMPARE(images.keys(), QStringList{"Docker Unused Images"});
        QVERIFY(std::abs(images.value("Docker Unused Images") - 20'000'000) <= 200'000);
        clean(images);
        QCOMPARE(output({"/usr/bin/docker", "images", "--all", "--quiet"}, *fileSystem)
                     .value_or("failed"),
                 QByteArray());
        QVERIFY(engineRecords(scanner).isEmpty());

        // The daemon stopped and both engines' folders gone, the machine is as it was.
        stopDaemon.dismiss();
        stopTheDaemon();
        QVERIFY(temporary.remove());
        QCOMPARE(machineState(t), before);
    }
};

QTEST_GUILESS_MAIN(ContainerEnginesTest)
#include "tst_containerengines.moc"
