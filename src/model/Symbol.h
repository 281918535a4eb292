#pragma once

#include "model/RawValue.h"

#include <array>

// The pictures the program shows, named after the platform symbols they stand for. The UI theme
// maps each to an icon file, so a symbol that cannot be drawn is a compile error, not a blank.
enum class Symbol {
    sparkles,
    hammerFill,
    iphoneGen3,
    waveform,
    archiveboxFill,
    checkmarkCircleFill,
    arrowClockwise,
    trashFill,
    folder,
    magnifyingglass,
    chevronRight,
    chevronDown,
    arrowDownCircleFill,
    checkmarkSealFill,
    terminal,
    folderBadgeGearshape,
};

template <>
inline constexpr std::array<Symbol, 16> allCases<Symbol>{Symbol::sparkles,
                                                         Symbol::hammerFill,
                                                         Symbol::iphoneGen3,
                                                         Symbol::waveform,
                                                         Symbol::archiveboxFill,
                                                         Symbol::checkmarkCircleFill,
                                                         Symbol::arrowClockwise,
                                                         Symbol::trashFill,
                                                         Symbol::folder,
                                                         Symbol::magnifyingglass,
                                                         Symbol::chevronRight,
                                                         Symbol::chevronDown,
                                                         Symbol::arrowDownCircleFill,
                                                         Symbol::checkmarkSealFill,
                                                         Symbol::terminal,
                                                         Symbol::folderBadgeGearshape};
