#pragma once

#include <QString>
#include <QStringList>

// The one line that removes, with administrator rights, the targets a cleanup had to leave:
// "sudo rm -rf " and the paths, each quoted for the shell, separated by single spaces. Empty when
// there is no path.
//
// A path of ordinary characters is written in double quotes as it is. The user pastes the line
// into a root shell, so a path that a shell would otherwise expand or end early goes in single
// quotes instead (", $, backquote, \ or !), and one with control characters as $'...' with the
// bytes of those characters escaped; zsh, bash and sh read each back exactly.
QString administratorCommand(const QStringList& paths);
