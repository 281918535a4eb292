#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// Why FileSystem::removeItem left an item, told as facts: the window puts them into words
// (WindowTexts), so that every text it shows lives in one place.
struct RemovalFailure {
    enum class Kind {
        // Refused before anything was touched: the path is not a plain absolute path.
        notPlainPath,
        // Refused before anything was touched: the path names or reaches a protected location.
        protectedLocation,
        // Refused before anything was touched: the item is the root of a mount.
        mountPoint,
        // Tried: the system answered `error`, at `entry` when that is known.
        failed,
    };
    Kind kind = Kind::failed;
    // The system's error number, for a failure.
    int error = 0;
    // Where the removal stuck, written as paths are shown ("~/..." inside the home folder); empty
    // when the item could not be reached at all.
    QString entry{};
    // The owner of that entry when it is another user than the program's, with the name the
    // system has for that user (empty when it has none).
    std::optional<uint> owner{};
    QString ownerName{};
};
