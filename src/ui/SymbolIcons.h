#pragma once

#include "model/Symbol.h"

#include <QStringView>

#include <array>
#include <cstddef>

// The one list of the bundled icons: the file (without ".svg") of the icon set that draws each
// symbol. src/ui/CMakeLists.txt reads the quoted names below and bundles exactly those files, so a
// new icon is one line here (and its case in the enum).
struct SymbolIcon {
    Symbol symbol;
    QStringView file;
};

inline constexpr std::array<SymbolIcon, allCases<Symbol>.size()> symbolIcons{{
    {Symbol::sparkles, u"sparkles"},
    {Symbol::hammerFill, u"hammer"},
    {Symbol::iphoneGen3, u"smartphone"},
    {Symbol::waveform, u"audio-waveform"},
    {Symbol::archiveboxFill, u"archive"},
    {Symbol::checkmarkCircleFill, u"circle-check"},
    {Symbol::arrowClockwise, u"refresh-cw"},
    {Symbol::trashFill, u"trash-2"},
    {Symbol::folder, u"folder"},
    {Symbol::magnifyingglass, u"search"},
    {Symbol::chevronRight, u"chevron-right"},
    {Symbol::chevronDown, u"chevron-down"},
    {Symbol::arrowDownCircleFill, u"circle-arrow-down"},
    {Symbol::checkmarkSealFill, u"badge-check"},
    {Symbol::terminal, u"terminal"},
    {Symbol::folderBadgeGearshape, u"folder-cog"},
}};

// Row by row in the enum's order, none left empty: a symbol added without its icon does not
// compile.
static_assert([] {
    for (std::size_t row = 0; row < symbolIcons.size(); ++row) {
        if (symbolIcons[row].symbol != allCases<Symbol>[row] || symbolIcons[row].file.isEmpty()) {
            return false;
        }
    }
    return true;
}());
