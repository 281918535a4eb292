#pragma once

#include <QString>
#include <QStringList>

// The one line that removes, with administrator rights, the targets a cleanup had to leave:
// "sudo rm -rf " and the paths, each quoted for the shell, separated by single spaces. Empty when
// there is no path.
//
// A path of ordinary characters is written in double quotes as it is. The user pastes the line
// into a root shell, so a path that a shell would otherwise expand or end early (", $, backquote,
// \ or !), or that holds control characters, goes in POSIX single quotes instead, every ' written
// as '\'' and everything else as it is; sh (dash included), bash and zsh read each back exactly.
// A control character stays one in the line: pasted at a prompt whose terminal does not mark
// pastes, the line editor may take it for an editing key.
QString administratorCommand(const QStringList& paths);
