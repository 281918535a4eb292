#include "platform/VolumeName.h"

#include <QDir>
#include <QFile>
#include <QList>

#include <cstdlib>
#include <memory>
#include <optional>

namespace {

// What the system calls itself when nothing else is known.
const char* const fallbackName = "Linux";
constexpr QByteArrayView prettyNameKey = "PRETTY_NAME=";

// Turns "\xNN" (udev's escapes in link names) or "\NNN" (octal, the kernel's in mountinfo) back
// into the bytes they stand for.
QByteArray unescaped(const QByteArray& text, bool hexadecimal) {
    QByteArray bytes;
    for (qsizetype i = 0; i < text.size(); ++i) {
        bool ok = false;
        if (hexadecimal && text.mid(i, 2) == "\\x") {
            const char byte = static_cast<char>(text.mid(i + 2, 2).toInt(&ok, 16));
            if (ok && i + 4 <= text.size()) {
                bytes.append(byte);
                i += 3;
                continue;
            }
        } else if (!hexadecimal && text.at(i) == '\\') {
            const char byte = static_cast<char>(text.mid(i + 1, 3).toInt(&ok, 8));
            if (ok && i + 4 <= text.size()) {
                bytes.append(byte);
                i += 3;
                continue;
            }
        }
        bytes.append(text.at(i));
    }
    return bytes;
}

std::optional<QByteArray> canonical(const QByteArray& path) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(
        ::realpath(path.constData(), nullptr), &std::free);
    if (!resolved) {
        return std::nullopt;
    }
    return QByteArray(resolved.get());
}

// The device mounted last on "/", as the mount table names it ("/dev/nvme0n1p2").
QByteArray rootDevice(const QByteArray& root) {
    QFile table(QFile::decodeName(root + "/proc/self/mountinfo"));
    if (!table.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArray device;
    for (const QByteArray& line : table.readAll().split('\n')) {
        // id parent major:minor root mount-point options [optional...] - type source options
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype separator = fields.indexOf("-");
        if (fields.size() > 4 && fields.at(4) == "/" && separator > 4 &&
            separator + 2 < fields.size()) {
            device = unescaped(fields.at(separator + 2), false);
        }
    }
    return device;
}

// The label udev found on the root volume's device, if it has one.
QString rootLabel(const QByteArray& root) {
    const QByteArray device = rootDevice(root);
    if (!device.startsWith('/')) {
        return {};
    }
    const auto target = canonical(root + device);
    const QByteArray labels = root + "/dev/disk/by-label";
    if (!target) {
        return {};
    }
    for (const QString& name :
         QDir(QFile::decodeName(labels))
             .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot)) {
        const QByteArray link = labels + '/' + QFile::encodeName(name);
        if (canonical(link) == target) {
            return QString::fromUtf8(unescaped(QFile::encodeName(name), true)).trimmed();
        }
    }
    return {};
}

// One value of an os-release file, with the shell quoting the format allows undone.
QString unquoted(const QByteArray& value) {
    if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'') {
        return QString::fromUtf8(value.mid(1, value.size() - 2));
    }
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') {
        return QString::fromUtf8(value);
    }
    QByteArray text;
    for (qsizetype i = 1; i + 1 < value.size(); ++i) {
        if (value.at(i) == '\\' && i + 2 < value.size() &&
            QByteArray("\"\\$`").contains(value.at(i + 1))) {
            ++i;
        }
        text.append(value.at(i));
    }
    return QString::fromUtf8(text);
}

// PRETTY_NAME of the first os-release file there is; /usr/lib holds the vendor's, /etc the
// system's own.
QString prettyName(const QByteArray& root) {
    for (const char* location : {"/etc/os-release", "/usr/lib/os-release"}) {
        QFile file(QFile::decodeName(root + location));
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        QString name;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QByteArray trimmed = line.trimmed();
            if (trimmed.startsWith(prettyNameKey)) {
                name = unquoted(trimmed.mid(prettyNameKey.size())).trimmed();
            }
        }
        return name;
    }
    return {};
}

} // namespace

QString VolumeName::startupVolume() {
    static const QString name = underRoot({});
    return name;
}

QString VolumeName::underRoot(const QByteArray& root) {
    for (const QString& name : {rootLabel(root), prettyName(root)}) {
        if (!name.isEmpty()) {
            return name;
        }
    }
    return QString::fromLatin1(fallbackName);
}
