#ifndef STEAMLAUNCHOPTION_H
#define STEAMLAUNCHOPTION_H
// A game's launch option in Steam that hands it one mapping line, for a game started with Steam Input
// off: Steam puts the game's command in the place of %command% and runs the whole with /bin/sh.

#include <QByteArray>
#include <QString>

// SDL_GAMECONTROLLERCONFIG='<line>' %command%, quoted so that the shell gives the game line byte for
// byte whatever it holds (quotes, $, backslashes, blanks), and so that no "%command%" inside line is
// taken for the game's. Empty when line is empty or holds a line break or a NUL byte, which a launch
// option cannot carry; errorMessage (if given) then says why.
QByteArray steamLaunchOption(const QByteArray& line, QString* errorMessage = nullptr);

#endif
